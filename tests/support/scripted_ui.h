#pragma once
// A user interface for tests: it records every call as one line of text, keeps a real
// message queue, and lets a test put messages in it up front or at the moment a given
// text is shown (say, when "Remapping: big.bmp" appears). Messages are the three things a
// user can do to the window: press "Quit", close it, or anything else (ignored). Message
// boxes are answered at once; waitMessage posts quit when the queue is empty, like the
// console.

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "platform/ui.h"

namespace testing_support {

enum class UserAction : std::uint8_t { PressQuit, Close, Other };

class ScriptedUi final : public platform::UserInterface {
  public:
    ScriptedUi();
    ~ScriptedUi() override;

    // Every call so far, e.g. "setText 4 Remapping: a.bmp".
    std::vector<std::string> calls;
    // Calls whose line starts with `prefix`.
    std::vector<std::string> callsStartingWith(const std::string& prefix) const;
    // Calls whose line starts with `prefix`, counted.
    int count(const std::string& prefix) const;

    // The tick count the clock seam returns; `tick` below reads it.
    std::uint32_t now = 0;
    // Logs "tickCount" and returns the `now` of the live ScriptedUi.
    static std::uint32_t tick();

    void queue(UserAction action);
    void queueQuit(int exitCode) { postQuit(exitCode); }
    // Queues `action` when `text` is next given to a control.
    void queueOnText(const std::string& text, UserAction action);
    // Runs `step` when `text` is next given to a control, as another program might act at
    // that moment (while a file is being converted, say).
    void doOnText(const std::string& text, std::function<void()> step);
    // What a window front end does when its display goes: the procedure hears of it. The
    // real one then ends the process; here the run goes on until told otherwise.
    void loseConnection();
    std::size_t queued() const { return messages.size(); }
    bool quitWaiting() const;

    // Window creation fails before the creation handler runs.
    bool createFails = false;
    platform::WindowId quitButton = platform::NoWindow; // the button, once created

    platform::WindowId createMainWindow(const char* title, int width, int height,
                                        platform::WindowEvents& events) override;
    void showWindow(platform::WindowId window) override;
    void updateWindow(platform::WindowId window) override;
    platform::Rect clientRect(platform::WindowId window) override;
    int scrollArrowHeight() override;
    platform::WindowId createControl(platform::WindowId parent, platform::ControlKind kind,
                                     const char* text, int x, int y, int width,
                                     int height) override;
    bool peekMessage(platform::Message& message, bool remove) override;
    void dispatchMessage(const platform::Message& message) override;
    void postQuit(int exitCode) override;
    void waitMessage() override;
    void setText(platform::WindowId control, const char* text) override;
    void setProgressRange(platform::WindowId bar, int minimum, int maximum) override;
    void setProgressStep(platform::WindowId bar, int step) override;
    void stepProgress(platform::WindowId bar) override;
    platform::MessageResult messageBox(platform::WindowId owner, const char* caption,
                                       const char* text, platform::MessageIcon icon,
                                       platform::MessageButtons buttons) override;
    void reportLeftAlone(const char* name, platform::LeftAloneReason reason) override;
    void reportDistances(const platform::ColourDistances& distances) override;
    void reportPreviewFailed(const char* name, const char* why) override;
    void reportFileCount(std::int32_t finished, std::int32_t total) override;
    void reportSummary(const platform::RunSummary& summary) override;

    std::vector<platform::ColourDistances> distances; // as reported, one per conversion
    platform::RunSummary summary;                     // as reported at the end

  private:
    void log(std::string line);

    platform::WindowEvents* events = nullptr;
    platform::WindowId nextId = 100;
    std::deque<platform::Message> messages;
    std::vector<std::pair<std::string, UserAction>> onText;
    std::vector<std::pair<std::string, std::function<void()>>> stepsOnText;
};

} // namespace testing_support
