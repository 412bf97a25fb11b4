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

#include "ui/ui.h"

namespace testing_support {

enum class UserAction : std::uint8_t { PressQuit, Close, Other };

class ScriptedUi final : public ui::UserInterface {
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
    ui::WindowId quitButton = ui::NoWindow; // the button, once created

    ui::WindowId createMainWindow(const char* title, int width, int height,
                                  ui::WindowEvents& events) override;
    void showWindow(ui::WindowId window) override;
    void updateWindow(ui::WindowId window) override;
    ui::Rect clientRect(ui::WindowId window) override;
    int scrollArrowHeight() override;
    ui::WindowId createControl(ui::WindowId parent, ui::ControlKind kind, const char* text, int x,
                               int y, int width, int height) override;
    bool peekMessage(ui::Message& message, bool remove) override;
    void dispatchMessage(const ui::Message& message) override;
    void postQuit(int exitCode) override;
    void waitMessage() override;
    void setText(ui::WindowId control, const char* text) override;
    void setProgressRange(ui::WindowId bar, int minimum, int maximum) override;
    void setProgressStep(ui::WindowId bar, int step) override;
    void stepProgress(ui::WindowId bar) override;
    MessageResult messageBox(ui::WindowId owner, const char* caption, const char* text,
                             MessageIcon icon, MessageButtons buttons) override;
    void reportLeftAlone(const char* name, const ui::LeftAlone& why) override;
    void reportDistances(const ui::ColourDistances& distances) override;
    void reportPreviewFailed(const char* name, const char* why) override;
    void reportFileCount(std::int32_t finished, std::int32_t total) override;
    void reportSummary(const ui::RunSummary& summary) override;

    std::vector<ui::ColourDistances> distances; // as reported, one per conversion
    ui::RunSummary summary;                     // as reported at the end

  private:
    void log(std::string line);

    ui::WindowEvents* events = nullptr;
    ui::WindowId nextId = 100;
    std::deque<ui::Message> messages;
    std::vector<std::pair<std::string, UserAction>> onText;
    std::vector<std::pair<std::string, std::function<void()>>> stepsOnText;
};

} // namespace testing_support
