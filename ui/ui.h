#pragma once
// What the remapper needs of a window system, and no more. The shapes follow the Windows
// calls the program was designed around (a window created with a creation handler that
// runs inside, a message queue that can be peeked at with or without removing, controls
// addressed by handle), so the Win32 front end is a direct translation and the others
// (FLTK, the console, the tests' scripted fake) imitate it.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "core/message_box.h"

namespace ui {

// A window or control of the front end; NoWindow is the null handle. Messages sent to
// NoWindow have no effect, as on Windows.
using WindowId = std::intptr_t;
inline constexpr WindowId NoWindow = 0;

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The child controls the main window holds: a progress bar, a one-line left-aligned text
// that is clipped rather than wrapped, and a push button.
enum class ControlKind { ProgressBar, Label, Button };

// One queued message. The application only asks whether it is the quit message; the rest
// is the front end's own record, handed back untouched to dispatchMessage.
struct Message {
    bool isQuit = false;
    int quitCode = 0;
    alignas(std::max_align_t) std::array<std::byte, 64> native{};
};

// How far the colours of a converted skin moved: the distance from each pixel to the
// palette colour chosen for it, Euclidean in RGB levels (0 to 441.7).
struct ColourDistances {
    double mean = 0.0;
    double largest = 0.0;
    double farShare = 0.0; // share of the pixels farther than farDistance, 0 to 1
    int farDistance = 24;
};

struct MovedSkin {
    std::string name;
    ColourDistances distances;
};

// What the figures of a conversion measure, and what to do when they are high.
inline constexpr const char* DistancesExplained =
    "Distances are how far each pixel's colour moved to the palette colour it was given, in "
    "RGB levels (0 to 441). Where they are high, the palette lacks those hues: see the result "
    "with --preview DIR, or paint in the palette's colours (--export-palette).";

// How many skins a summary names as those that moved most.
inline constexpr std::size_t MostMovedShown = 3;

// A file the user may want to look at: left alone for a reason other than being no 24-bit
// bitmap, or converted but not written. `why` is said in words.
struct FileToLookAt {
    std::string name;
    std::string why;
};

// How a run went, for front ends that report it when the run is over.
struct RunSummary {
    std::string folder;      // the folder of skins, as the user named it, or the current one
    int filesListed = 0;     // the *.bmp files found there
    int converted = 0;       // written as 8-bit bitmaps
    int leftAlone = 0;       // not 24-bit, unreadable, incomplete, too large, changed meanwhile
    int convertedBefore = 0; // of those left alone: 8-bit skins with the game palette's mark
    int notTrueColour = 0;   // of those left alone: other bitmaps that are not 24-bit
    int failed = 0;          // converted but not written
    int notReached = 0;      // still waiting when the run ended
    // Where the converted skins went, as the user named it; empty when they replaced the
    // originals.
    std::string outputFolder;
    // Every file left alone for another reason, or not written, in the list's order.
    std::vector<FileToLookAt> toLookAt;
    int otherRun = 0;        // skipped: another run was converting them
    int unflushed = 0;       // converted, but their folder's names could not be flushed
    // The converted skins whose colours moved most, by mean distance, farthest first: at
    // most MostMovedShown.
    std::vector<MovedSkin> movedMost;
    // A dry run converts without writing a skin: `converted` counts those it would write.
    bool dryRun = false;
    int previewsFailed = 0;  // skins whose pictures could not all be written
    std::string previewPage; // the page showing the pictures; empty without them
};

// How a run ended, as the front end saw it.
enum class RunEnd {
    // Through the window: the quit message's code is the exit code.
    ByWindow,
    // A front end without a window ended the run itself once the batch was done.
    BatchDone,
    // The user interrupted the run (Ctrl-C on a console).
    Interrupted,
};

// The exit code of a window front end that lost its display: the run cannot go on and the
// window can no longer say so.
inline constexpr int DisplayLostExitCode = 4;

// Why a file of the batch was left as it was, for the front ends that say so.
enum class LeftAloneReason {
    // An 8-bit skin that carries the game palette's mark: converted by an earlier run.
    ConvertedBefore,
    // A bitmap, but not a 24-bit one, and not one of ours. Expected.
    NotTrueColour,
    // What follows is not: the user may want to look at the file.
    // Nothing we read as a bitmap, or one whose headers can't describe an image.
    NotABitmap,
    // A 24-bit image the file holds only part of: it ends early (a copy still going on,
    // say), or its pixels lie past its end.
    PixelsMissing,
    // More pixels than we hold, or than there was memory for.
    TooLarge,
    // The system failed to read it.
    ReadError,
    NoReadPermission,
    // A FIFO, a device or a directory by now.
    NotRegularFile,
    // Gone since the list was made.
    Missing,
    // The process may open no more files: the limit on open files was reached.
    TooManyOpenFiles,
    // Another run of the program is converting it: expected, like NotTrueColour.
    OtherRun,
};

struct LeftAlone {
    LeftAloneReason reason = LeftAloneReason::NotTrueColour;
    int gamePalette = -1; // converted before: the game palette it was converted for, if said
};

// A reason is expected in an ordinary run (a second run over a converted folder), not a
// matter for the user to look into.
constexpr bool isExpected(LeftAloneReason reason) {
    return reason == LeftAloneReason::ConvertedBefore ||
           reason == LeftAloneReason::NotTrueColour || reason == LeftAloneReason::OtherRun;
}

// Why the file was left alone, in a few words: "not a 24-bit bitmap".
std::string describe(const LeftAlone& why);

// The main window's procedure, implemented by the application. The front end calls it
// while it creates the window and when it dispatches a message.
class WindowEvents {
  public:
    // The window exists but is not shown yet. Returning false makes creation fail.
    virtual bool onCreate(WindowId window) = 0;
    // A control was activated (the button clicked); `source` is its handle.
    virtual void onCommand(WindowId source) = 0;
    // The window is being destroyed, e.g. after its close box was used.
    virtual void onDestroy() = 0;
    // The front end lost its display and ends the process when this returns: nothing can be
    // shown or asked any more, but what must not be lost can still be finished.
    virtual void onConnectionLost() {}

  protected:
    ~WindowEvents() = default;
};

class UserInterface {
  public:
    virtual ~UserInterface() = default;

    // Creates (and, where the system needs it, registers) the main window with the given
    // title and outer size, at a position of the system's choosing, hidden. `events`
    // receives onCreate before this returns and every message dispatched later. Returns
    // NoWindow when the window cannot be made or onCreate refused it.
    virtual WindowId createMainWindow(const char* title, int width, int height,
                                      WindowEvents& events) = 0;
    virtual void showWindow(WindowId window) = 0;
    // Repaints the window now, without waiting for the queue.
    virtual void updateWindow(WindowId window) = 0;
    virtual Rect clientRect(WindowId window) = 0;
    // Height of a horizontal scroll-bar arrow: the progress bar's height.
    virtual int scrollArrowHeight() = 0;
    // Creates a visible child control at client coordinates; NoWindow on failure.
    virtual WindowId createControl(WindowId parent, ControlKind kind, const char* text, int x,
                                   int y, int width, int height) = 0;

    // Looks at the queue without waiting. Returns false when it is empty; otherwise fills
    // `message` with the first message and, when `remove` is set, takes it off the queue.
    virtual bool peekMessage(Message& message, bool remove) = 0;
    // Delivers a message taken off the queue to its window's procedure.
    virtual void dispatchMessage(const Message& message) = 0;
    // Queues the quit message with the process exit code.
    virtual void postQuit(int exitCode) = 0;
    // Called when the application has nothing left to do: blocks until a message is
    // queued. A front end that no message can ever reach again posts quit instead.
    virtual void waitMessage() = 0;

    virtual void setText(WindowId control, const char* text) = 0;
    // The progress bar's range, step and one step forward.
    virtual void setProgressRange(WindowId bar, int minimum, int maximum) = 0;
    virtual void setProgressStep(WindowId bar, int step) = 0;
    virtual void stepProgress(WindowId bar) = 0;

    // A box owned by `owner`, which takes no input while it is open; with no owner, every
    // window stays usable. Messages keep being dispatched while it is open, and a quit
    // message (the main window closed) ends it, staying queued.
    virtual MessageResult messageBox(WindowId owner, const char* caption, const char* text,
                                     MessageIcon icon, MessageButtons buttons) = 0;

    // As messageBox, for a box a console line can say more about: `detail` (where and why)
    // follows the text there. The windows show the text alone.
    virtual MessageResult detailedMessageBox(WindowId owner, const char* caption, const char* text,
                                             const char* detail, MessageIcon icon,
                                             MessageButtons buttons) {
        static_cast<void>(detail);
        return messageBox(owner, caption, text, icon, buttons);
    }

    // A file of the batch was left untouched; a front end may tell the user. The windows
    // don't: the skin is safe, and a box would hold up the batch. Those that do tell of
    // every file as it goes need no list of them at the end (tellsEachFile).
    virtual void reportLeftAlone(const char* name, const LeftAlone& why) {
        static_cast<void>(name);
        static_cast<void>(why);
    }
    virtual bool tellsEachFile() const { return false; }
    // The skin whose name the file line shows was converted, its colours moving this far; a
    // front end may say so. The windows don't: their line has no room for it.
    virtual void reportDistances(const ColourDistances& distances) { static_cast<void>(distances); }
    // A skin is in place (in a dry run: would be), its colours having moved this far. The
    // figures were reported as it was converted; a front end that tells of each save as it
    // lands (the console, while watching) says it here.
    virtual void reportConverted(const char* name, const ColourDistances& distances) {
        static_cast<void>(name);
        static_cast<void>(distances);
    }
    // The pictures of a skin could not all be written into the preview folder, for the
    // reason given; a front end may say so. The windows don't: the page lists it.
    virtual void reportPreviewFailed(const char* name, const char* why) {
        static_cast<void>(name);
        static_cast<void>(why);
    }
    // `finished` of the batch's `total` files are done with, whatever became of them. The
    // windows show it on the bar; a front end without one may say it in words.
    virtual void reportFileCount(std::int32_t finished, std::int32_t total) {
        static_cast<void>(finished);
        static_cast<void>(total);
    }
    // Watch mode: the run goes on after its batch, converting each skin as it is saved. From
    // now on wake() may come from another thread; a front end that ends the run once idle
    // (the console) waits for it instead, and says when each skin was converted.
    virtual void startWatching() {}
    // Safe from any thread: ends a waitMessage in progress, or the next one, so that the
    // application looks for work again.
    virtual void wake() {}
    // Something the user may like to know that is no error and needs no answer (a palette
    // loaded anew while watching); the windows don't show it.
    virtual void reportNotice(const char* text) { static_cast<void>(text); }

    // The run is over and the window about to go; a front end may tell the user how it went.
    virtual void reportSummary(const RunSummary& summary) { static_cast<void>(summary); }
    // How the run ended; asked once the main loop is over.
    virtual RunEnd runEnd() const { return RunEnd::ByWindow; }
};

} // namespace ui
