#include "ui/console/console_ui.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "core/printable_text.h"
#include "platform/clock.h"
#include "platform/terminal.h"
#include "platform/wake_up.h"
#include "ui/classic_window.h"

namespace ui {
namespace {

// Set from the signal handler, read by the message queue.
std::atomic<bool> interruptPending{false};
static_assert(std::atomic<bool>::is_always_lock_free);

// Rung with the interrupt, so that a wait for the next save sees it; null unless watching.
std::atomic<platform::WakeUp*> interruptBell{nullptr};

// Output nobody takes any more must not hold the run the interrupt ends.
extern "C" void onInterrupt(int) {
    interruptPending = true;
    platform::dropBlockedOutput();
    if (platform::WakeUp* bell = interruptBell.load()) {
        bell->ring();
    }
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

// A share as a percentage with one decimal; a few pixels of many do not show as none.
std::string percentage(double share) {
    if (share > 0.0 && share < 0.0005) {
        return "<0.1%";
    }
    char text[16];
    std::snprintf(text, sizeof text, "%.1f%%", share * 100.0);
    return text;
}

// "1 skin was", "3 skins were".
std::string counted(int count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string countsLine(const RunSummary& summary) {
    std::string line = summary.dryRun ? "Dry run: " + std::to_string(summary.converted) +
                                            " would be converted, " +
                                            std::to_string(summary.leftAlone) + " left alone"
                                      : std::to_string(summary.converted) + " converted, " +
                                            std::to_string(summary.leftAlone) + " left alone, " +
                                            std::to_string(summary.failed) + " failed";
    if (summary.notReached > 0) {
        line += ", " + std::to_string(summary.notReached) + " not reached";
    }
    if (summary.otherRun > 0) {
        line += ", " + std::to_string(summary.otherRun) + " being converted by another run";
    }
    if (summary.previewsFailed > 0) {
        line += ", " + std::to_string(summary.previewsFailed) + " without preview";
    }
    return line + (summary.dryRun ? "; no skin was changed.\n" : ".\n");
}

// Why nothing was converted, when nothing was: what the folder held instead.
std::string nothingToConvert(const RunSummary& summary) {
    if (summary.filesListed == 0) {
        return "Nothing to convert: the folder " + summary.folder + " holds no *.bmp files.";
    }
    std::vector<std::string> parts;
    if (summary.convertedBefore > 0) {
        parts.push_back(counted(summary.convertedBefore, "skin was", "skins were") +
                        " converted before");
    }
    if (summary.notTrueColour > 0) {
        parts.push_back(counted(summary.notTrueColour, "file is not a 24-bit bitmap",
                                "files are not 24-bit bitmaps"));
    }
    const int others = summary.leftAlone - summary.convertedBefore - summary.notTrueColour;
    if (others > 0) {
        parts.push_back(counted(others, "file was", "files were") +
                        " left alone for the reasons above");
    }
    std::string line = "Nothing to convert: ";
    for (std::size_t i = 0; i < parts.size(); ++i) {
        line += (i > 0 ? "; " : "") + parts[i];
    }
    return line + ".";
}

// Where the converted skins went, or why none was; empty when there is nothing to add.
std::string outcomeLine(const RunSummary& summary) {
    if (summary.converted == 0 && summary.failed == 0 && summary.notReached == 0) {
        return nothingToConvert(summary);
    }
    if (summary.outputFolder.empty()) {
        return {};
    }
    std::string line = "Converted skins are in " + summary.outputFolder;
    if (summary.convertedBefore > 0) {
        line += "; " +
                counted(summary.convertedBefore, "skin already in the game's format was",
                        "skins already in the game's format were") +
                " not written there";
    }
    return line + ".";
}

// "14:03:22 ": when a line of a watch happened.
std::string timeOfDay() {
    const std::time_t now = std::time(nullptr);
    char text[16] = "";
    if (const std::tm* local = std::localtime(&now)) {
        std::strftime(text, sizeof text, "%H:%M:%S ", local);
    }
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
    interruptBell = nullptr;
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

// Nothing but a wake or Ctrl-C can reach a console; without a watch, nothing will.
void ConsoleUi::waitMessage() {
    closeOnInterrupt();
    if (!bell) {
        if (quitCodes.empty()) {
            postQuit(0);
        }
        return;
    }
    while (quitCodes.empty() && !woken.exchange(false)) {
        bell->wait();
        closeOnInterrupt();
    }
}

void ConsoleUi::startWatching() {
    auto made = std::make_unique<platform::WakeUp>();
    if (made->isOpen()) {
        bell = std::move(made);
        interruptBell = bell.get();
    }
}

void ConsoleUi::wake() {
    woken = true;
    if (bell) {
        bell->ring();
    }
}

void ConsoleUi::reportNotice(const char* text) {
    clearStatus();
    std::fprintf(out, "%s%s\n", stamp().c_str(), printableText(text).c_str());
    std::fflush(out);
}

// While watching, a conversion is told in one line when it is done, with the time.
std::string ConsoleUi::stamp() const {
    return bell ? timeOfDay() : std::string{};
}

void ConsoleUi::setText(WindowId control, const char* text) {
    const Control* found = findControl(control);
    if (found == nullptr || found->kind != ControlKind::Label) {
        return;
    }
    if (startsWith(text, TimePrefix)) {
        timeText = text;
        drawStatus(false);
    } else if (bell) {
        return; // a watch tells of each skin once it is in place
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

// A file left alone for an expected reason (a skin an earlier run converted, most often) is
// part of an ordinary run and told with its other lines; any other reason is one the user
// may want to look into, and goes to stderr with the errors.
void ConsoleUi::reportLeftAlone(const char* name, const LeftAlone& why) {
    std::FILE* to = isExpected(why.reason) ? out : stderr;
    clearStatus();
    std::fprintf(to, "%sLeft alone: %s (%s)\n", stamp().c_str(), printableText(name).c_str(),
                 describe(why).c_str());
    std::fflush(to);
}

bool ConsoleUi::tellsEachFile() const {
    return true;
}

void ConsoleUi::reportDistances(const ColourDistances& distances) {
    if (!bell) {
        printDistances(" ", distances);
    }
}

void ConsoleUi::reportConverted(const char* name, const ColourDistances& distances) {
    if (bell) {
        printDistances(stamp() + printableText(name) + ":", distances);
    }
}

void ConsoleUi::printDistances(const std::string& lead, const ColourDistances& distances) {
    clearStatus();
    std::fprintf(out, "%s mean distance %.1f, largest %.1f, %s of pixels farther than %d\n",
                 lead.c_str(), distances.mean, distances.largest,
                 percentage(distances.farShare).c_str(), distances.farDistance);
    std::fflush(out);
}

void ConsoleUi::reportPreviewFailed(const char* name, const char* why) {
    clearStatus();
    std::fprintf(stderr, "Preview not written: %s (%s)\n", printableText(name).c_str(), why);
    std::fflush(stderr);
}

void ConsoleUi::reportSummary(const RunSummary& summary) {
    clearStatus();
    std::fputs(countsLine(summary).c_str(), out);
    const std::string outcome = outcomeLine(summary);
    if (!outcome.empty()) {
        std::fprintf(out, "%s\n", printableText(outcome).c_str());
    }
    const char* separator = "Moved most: ";
    for (const MovedSkin& skin : summary.movedMost) {
        std::fprintf(out, "%s%s (mean %.1f)", separator, printableText(skin.name).c_str(),
                     skin.distances.mean);
        separator = ", ";
    }
    if (!summary.movedMost.empty()) {
        std::fprintf(out, ".\n%s\n", DistancesExplained);
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
