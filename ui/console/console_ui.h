#pragma once
// The front end for a run without a display. The main window becomes lines of text: each
// new text of the file line is printed, the time estimate and the count of files done share
// one status line that is redrawn in place (only on a terminal), every message box is one
// line on stderr, answered at once, and every skin left alone is one line with its reason.
// Control characters in what is printed are shown escaped. Nothing can reach the window
// once the batch is done, so the run then ends by itself. Ctrl-C closes the window. The
// time estimate shows once it means something: after the first file, or a second into the
// run.

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/wake_up.h"
#include "ui/ui.h"

namespace ui {

class ConsoleUi final : public UserInterface {
  public:
    using Clock = std::uint32_t (*)();

    // Lines go to `out`; with `statusLine` the status line is kept there too.
    ConsoleUi(std::FILE* out, bool statusLine, Clock clock = nullptr);
    ~ConsoleUi() override;
    ConsoleUi(const ConsoleUi&) = delete;
    ConsoleUi& operator=(const ConsoleUi&) = delete;

    WindowId createMainWindow(const char* title, int width, int height,
                              WindowEvents& events) override;
    void showWindow(WindowId window) override;
    void updateWindow(WindowId window) override;
    Rect clientRect(WindowId window) override;
    int scrollArrowHeight() override;
    WindowId createControl(WindowId parent, ControlKind kind, const char* text, int x, int y,
                           int width, int height) override;

    bool peekMessage(Message& message, bool remove) override;
    void dispatchMessage(const Message& message) override;
    void postQuit(int exitCode) override;
    // Without a watch, nothing can reach the console once the batch is done: the run ends.
    // While watching, sleeps until a wake or Ctrl-C.
    void waitMessage() override;
    // From now on, file lines wait for their figures, to be one line with the time of day.
    void startWatching() override;
    void wake() override;
    void reportNotice(const char* text) override;

    void setText(WindowId control, const char* text) override;
    void setProgressRange(WindowId bar, int minimum, int maximum) override;
    void setProgressStep(WindowId bar, int step) override;
    void stepProgress(WindowId bar) override;

    MessageResult messageBox(WindowId owner, const char* caption, const char* text,
                             MessageIcon icon, MessageButtons buttons) override;
    // The box's line, with the detail in brackets after the text.
    MessageResult detailedMessageBox(WindowId owner, const char* caption, const char* text,
                                     const char* detail, MessageIcon icon,
                                     MessageButtons buttons) override;
    // One line, "Left alone: <name> (<why>)": on stdout for an expected reason (converted
    // before, not 24-bit, another run converts it), on stderr for every other reason.
    void reportLeftAlone(const char* name, const LeftAlone& why) override;
    bool tellsEachFile() const override;
    // One line under the file's: "  mean distance 3.2, largest 41.0, 12.5% of pixels farther
    // than 24".
    void reportDistances(const ColourDistances& distances) override;
    // While watching, one line with the time instead: "14:03:22 knight.bmp: mean distance
    // ...", once the skin is in place.
    void reportConverted(const char* name, const ColourDistances& distances) override;
    // One line on stderr: "Preview not written: <name> (<why>)".
    void reportPreviewFailed(const char* name, const char* why) override;
    // The status line's "[finished/total]".
    void reportFileCount(std::int32_t finished, std::int32_t total) override;
    // The counts; where the converted skins went, or why nothing was converted; the skins
    // that moved most when any were converted, with what the figures mean; and where the
    // preview page is.
    void reportSummary(const RunSummary& summary) override;
    // The batch was done, or Ctrl-C ended the run.
    RunEnd runEnd() const override;

  private:
    struct Control {
        ControlKind kind;
        WindowId id;
    };
    struct FileCount {
        std::int32_t finished = 0;
        std::int32_t total = 0;
    };

    const Control* findControl(WindowId id) const;
    std::string stamp() const;
    void printDistances(const std::string& lead, const ColourDistances& distances);
    void closeOnInterrupt();
    void printLine(const char* text);
    void drawStatus(bool force);
    void clearStatus();
    static MessageResult showBox(const char* caption, const char* text, MessageIcon icon,
                                 MessageButtons buttons);

    std::FILE* out;
    bool statusLine;
    Clock clock;
    WindowEvents* events = nullptr;
    WindowId mainWindow = NoWindow;
    Rect client;
    std::uint32_t startedAt = 0; // when the window was made
    bool interrupted = false;
    std::vector<Control> controls;
    WindowId nextId = 1;
    std::vector<int> quitCodes; // the queue holds nothing but quit messages
    FileCount files;
    std::string timeText;
    std::size_t statusWidth = 0; // characters of the status line now on screen
    std::uint32_t lastDraw = 0;
    bool drawnOnce = false;
    MessageBoxHandler previousBoxHandler = nullptr;
    std::unique_ptr<platform::WakeUp> bell; // while watching
    std::atomic<bool> woken{false};
};

} // namespace ui
