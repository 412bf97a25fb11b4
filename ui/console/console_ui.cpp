#include "ui/console/console_ui.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>

#include "core/printable_text.h"
#include "platform/clock.h"
#include "platform/terminal.h"
#include "ui/classic_window.h"

namespace ui {
namespace {

// Set from the signal handler, read by the message queue.
std::atomic<bool> interruptPending{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// Output nobody takes any more must not hold the run the interrupt ends.
extern "C" void onInterrupt(int) {
    interruptPending = true;
    platform::dropBlockedOutput();
    // A second Ctrl-C ends the program the hard way, should the first go unnoticed.
    std::signal(SIGINT, SIG_DFL);
}

using SignalHandler = void (*)(int);
SignalHandler previousInterruptHandler = SIG_DFL;

// The console whose status line a message box has to clear first.
ConsoleUi* activeConsole = nullptr;

constexpr std::uint32_t StatusInterval = 100; // milliseconds between two redraws
constexpr const char* TimePrefix = "Time remaining";
// The first estimates extrapolate from a sliver of the first file, with the start-up still
// in the time gone, and can read hours for a run of seconds. The status line leaves them
// out until a file is done or this much of the run has gone.
constexpr std::uint32_t EstimateDelay = 1000;

const char* describe(LeftAloneReason reason) {
    switch (reason) {
    case LeftAloneReason::NotTrueColour:
        return "not a 24-bit bitmap";
    case LeftAloneReason::NotABitmap:
        return "not a bitmap it can read";
    case LeftAloneReason::PixelsMissing:
        return "the file holds only part of its pixels";
    case LeftAloneReason::TooLarge:
        return "too large to convert";
    case LeftAloneReason::ReadError:
        return "the file could not be read";
    case LeftAloneReason::NoReadPermission:
        return "no permission to read it";
    case LeftAloneReason::NotRegularFile:
        return "not a regular file";
    case LeftAloneReason::Missing:
        return "no longer there";
    case LeftAloneReason::TooManyOpenFiles:
        return "too many files open at once";
    case LeftAloneReason::OtherRun:
        return "being converted by another run";
    }
    return "";
}

// Reasons that are part of an ordinary run, told on stdout with its other lines.
bool isExpected(LeftAloneReason reason) {
    return reason == LeftAloneReason::NotTrueColour || reason == LeftAloneReason::OtherRun;
}

// A share as a percentage with one decimal; a few pixels of many do not show as none.
std::string percentage(double share) {
    if (share > 0.0 && share < 0.0005) {
        return "<0.1%";
    }
    char text[16];
    std::snprintf(text, sizeof text, "%.1f%%", share * 100.0);
    return text;
}

bool startsWith(const char* text, const char* prefix) {
    return std::strncmp(text, prefix, std::strlen(prefix)) == 0;
}

} // namespace

ConsoleUi::ConsoleUi(std::FILE* out, bool statusLine, Clock clock)
    : out(out), statusLine(statusLine), clock(clock != nullptr ? clock : platform::tickCount) {
    interruptPending = false;
    previousInterruptHandler = platform::handleInterrupts(onInterrupt);
    platform::survivePipeReaderExit();
    activeConsole = this;
    previousBoxHandler = setMessageBoxHandler(showBox);
}

ConsoleUi::~ConsoleUi() {
    clearStatus();
    setMessageBoxHandler(previousBoxHandler);
    activeConsole = nullptr;
    std::signal(SIGINT, previousInterruptHandler != SIG_ERR ? previousInterruptHandler : SIG_DFL);
}

WindowId ConsoleUi::createMainWindow(const char*, int width, int height,
                                     WindowEvents& windowEvents) {
    events = &windowEvents;
    client = classicClientArea(width, height);
    startedAt = clock();
    const WindowId window = nextId++;
    if (!events->onCreate(window)) {
        events = nullptr;
        return NoWindow;
    }
    mainWindow = window;
    return window;
}

void ConsoleUi::showWindow(WindowId) {}

void ConsoleUi::updateWindow(WindowId) {}

// The console draws nothing there, but the application lays its controls out from it.
Rect ConsoleUi::clientRect(WindowId) {
    return client;
}

int ConsoleUi::scrollArrowHeight() {
    return ClassicScrollArrowHeight;
}

WindowId ConsoleUi::createControl(WindowId, ControlKind kind, const char*, int, int, int, int) {
    const WindowId id = nextId++;
    controls.push_back(Control{kind, id});
    return id;
}

const ConsoleUi::Control* ConsoleUi::findControl(WindowId id) const {
    const auto found = std::find_if(controls.begin(), controls.end(),
                                    [id](const Control& control) { return control.id == id; });
    return found != controls.end() ? &*found : nullptr;
}

// Ctrl-C closes the window. The window system destroys a window while the application
// looks at its queue, so the destroy handler runs from here, and the quit message it
// posts is the first thing the application then sees: a conversion in progress stops at
// once instead of running to its end.
void ConsoleUi::closeOnInterrupt() {
    if (!interruptPending.exchange(false) || mainWindow == NoWindow || events == nullptr) {
        return;
    }
    mainWindow = NoWindow;
    interrupted = true;
    clearStatus();
    events->onDestroy();
}

bool ConsoleUi::peekMessage(Message& message, bool remove) {
    closeOnInterrupt();
    if (quitCodes.empty()) {
        return false;
    }
    message = Message{};
    message.isQuit = true;
    message.quitCode = quitCodes.front();
    if (remove) {
        quitCodes.erase(quitCodes.begin());
    }
    return true;
}

// Only quit messages are ever queued, and those are not dispatched.
void ConsoleUi::dispatchMessage(const Message&) {}

void ConsoleUi::postQuit(int exitCode) {
    quitCodes.push_back(exitCode);
}

void ConsoleUi::waitMessage() {
    closeOnInterrupt();
    if (quitCodes.empty()) {
        postQuit(0);
    }
}

void ConsoleUi::setText(WindowId control, const char* text) {
    const Control* found = findControl(control);
    if (found == nullptr || found->kind != ControlKind::Label) {
        return;
    }
    if (startsWith(text, TimePrefix)) {
        timeText = text;
        drawStatus(false);
    } else {
        printLine(text);
    }
}

// The bar's range is 16 bits wide and would count 65,536 files as none: the status line
// counts with the true numbers of reportFileCount instead.
void ConsoleUi::setProgressRange(WindowId, int, int) {}

void ConsoleUi::setProgressStep(WindowId, int) {}

void ConsoleUi::stepProgress(WindowId) {}

void ConsoleUi::reportFileCount(std::int32_t finished, std::int32_t total) {
    files = FileCount{finished, total};
    drawStatus(false);
}

MessageResult ConsoleUi::messageBox(WindowId, const char* caption, const char* text,
                                    MessageIcon icon, MessageButtons buttons) {
    return showBox(caption, text, icon, buttons);
}

MessageResult ConsoleUi::detailedMessageBox(WindowId, const char* caption, const char* text,
                                            const char* detail, MessageIcon icon,
                                            MessageButtons buttons) {
    const std::string line = std::string(text) + " (" + detail + ")";
    return showBox(caption, line.c_str(), icon, buttons);
}

MessageResult ConsoleUi::showBox(const char* caption, const char* text, MessageIcon icon,
                                 MessageButtons buttons) {
    if (activeConsole != nullptr) {
        activeConsole->clearStatus();
    }
    return consoleMessageBox(caption, text, icon, buttons);
}

// A bitmap that is merely not 24-bit (a skin an earlier run converted, most often) is part
// of an ordinary run and told with its other lines; any other reason is one the user may
// want to look into, and goes to stderr with the errors.
void ConsoleUi::reportLeftAlone(const char* name, LeftAloneReason reason) {
    std::FILE* to = isExpected(reason) ? out : stderr;
    clearStatus();
    std::fprintf(to, "Left alone: %s (%s)\n", printableText(name).c_str(), describe(reason));
    std::fflush(to);
}

void ConsoleUi::reportDistances(const ColourDistances& distances) {
    clearStatus();
    std::fprintf(out, "  mean distance %.1f, largest %.1f, %s of pixels farther than %d\n",
                 distances.mean, distances.largest, percentage(distances.farShare).c_str(),
                 distances.farDistance);
    std::fflush(out);
}

void ConsoleUi::reportPreviewFailed(const char* name, const char* why) {
    clearStatus();
    std::fprintf(stderr, "Preview not written: %s (%s)\n", printableText(name).c_str(), why);
    std::fflush(stderr);
}

void ConsoleUi::reportSummary(const RunSummary& summary) {
    clearStatus();
    if (summary.dryRun) {
        std::fprintf(out, "Dry run: %d would be converted, %d left alone", summary.converted,
                     summary.leftAlone);
    } else {
        std::fprintf(out, "%d converted, %d left alone, %d failed", summary.converted,
                     summary.leftAlone, summary.failed);
    }
    if (summary.notReached > 0) {
        std::fprintf(out, ", %d not reached", summary.notReached);
    }
    if (summary.otherRun > 0) {
        std::fprintf(out, ", %d being converted by another run", summary.otherRun);
    }
    if (summary.previewsFailed > 0) {
        std::fprintf(out, ", %d without preview", summary.previewsFailed);
    }
    std::fputs(summary.dryRun ? "; no skin was changed.\n" : ".\n", out);
    const char* separator = "Moved most: ";
    for (const MovedSkin& skin : summary.movedMost) {
        std::fprintf(out, "%s%s (mean %.1f)", separator, printableText(skin.name).c_str(),
                     skin.distances.mean);
        separator = ", ";
    }
    if (!summary.movedMost.empty()) {
        std::fputs(".\n", out);
    }
    if (!summary.previewPage.empty()) {
        std::fprintf(out, "Previews: %s\n", printableText(summary.previewPage).c_str());
    }
    std::fflush(out);
}

RunEnd ConsoleUi::runEnd() const {
    return interrupted ? RunEnd::Interrupted : RunEnd::BatchDone;
}

void ConsoleUi::printLine(const char* text) {
    clearStatus();
    std::fprintf(out, "%s\n", printableText(text).c_str());
    std::fflush(out);
}

// Redraws happen at most every StatusInterval, so the status line never slows the
// conversion that calls in every 1,024 pixels.
void ConsoleUi::drawStatus(bool force) {
    if (!statusLine) {
        return;
    }
    const std::uint32_t now = clock();
    if (!force && drawnOnce && now - lastDraw < StatusInterval) {
        return;
    }
    drawnOnce = true;
    lastDraw = now;

    const bool estimateMeans = files.finished > 0 || now - startedAt >= EstimateDelay;
    char line[160];
    const int length =
        std::snprintf(line, sizeof line, "[%ld/%ld]%s%s", static_cast<long>(files.finished),
                      static_cast<long>(files.total), estimateMeans && !timeText.empty() ? " " : "",
                      estimateMeans ? timeText.c_str() : "");
    const std::size_t width = length > 0 ? std::min<std::size_t>(length, sizeof line - 1) : 0;
    // Spaces rub out the rest of a longer line drawn before; no terminal codes needed.
    std::fprintf(out, "\r%s%*s\r", line,
                 static_cast<int>(statusWidth > width ? statusWidth - width : 0), "");
    std::fflush(out);
    statusWidth = width;
}

void ConsoleUi::clearStatus() {
    if (statusWidth == 0) {
        return;
    }
    std::fprintf(out, "\r%*s\r", static_cast<int>(statusWidth), "");
    std::fflush(out);
    statusWidth = 0;
    drawnOnce = false;
}

} // namespace ui
