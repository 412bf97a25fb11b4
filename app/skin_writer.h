#pragma once
// Writes converted skins and puts them in place, on a thread of its own where the processor
// has a second core, so that the file system's work on one skin (making its temporary,
// writing it, flushing and renaming groups of them) overlaps with reading and converting
// the next.
//
// What runs where: the main thread reads and converts the skins in the list's order and
// drives the window or console, every call to them included; it hands each converted skin
// over (its open source file, where it goes and its 8-bit bitmap, which the writer then
// owns) and takes back, in the same order, what became of each, to count and report: a skin
// that could not be written comes back in its turn, after those handed over before it. The
// writer thread touches nothing else: no window, no counter of the run. Handing over waits
// while a few skins are already waiting, which bounds memory; meanwhile the main thread
// keeps answering the window. A run that ends, however it ends, calls drain(): everything
// handed over is then written and in place (the skin in hand when a quit came was never
// handed over), and the rest of the outcomes come back. With one core the same steps run
// on the main thread, each at the moment of handing over.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/skin_outcome.h"
#include "bitmap/bitmap.h"
#include "platform/held_folder.h"
#include "platform/source_file.h"
#include "storage/commit_group.h"

class SkinWriter {
  public:
    // A converted skin, to be written over `source`, or under its name into `outputFolder`
    // when there is one (and then only while nobody writes `source`).
    struct Skin {
        std::string name;
        platform::SourceFile source;
        platform::SharedFolder outputFolder;
        BitmapPtr converted;
    };
    // Called while a hand-over waits for room, every few milliseconds; false gives the skin
    // up.
    using WhileWaiting = std::function<bool()>;

    // With `ownThread` false, everything happens on the caller's thread. At most
    // `mostInGroup` skins are put in place together.
    explicit SkinWriter(bool ownThread,
                        std::size_t mostInGroup = storage::CommitGroup::DefaultMostFiles);
    // Drains, then ends the thread.
    ~SkinWriter();
    SkinWriter(const SkinWriter&) = delete;
    SkinWriter& operator=(const SkinWriter&) = delete;

    // Waits while too much is waiting to be written, then takes the skin. False when
    // `whileWaiting` gave it up: it is not written.
    bool hand(Skin skin, const WhileWaiting& whileWaiting = {});
    // The outcomes known so far, in the order the skins were handed over; never waits.
    std::vector<SkinOutcome> takeOutcomes();
    // Waits until every skin handed over is written and in place; the outcomes not taken yet.
    std::vector<SkinOutcome> drain();

  private:
    void run();
    // Writes one skin and adds it to the group; puts the group in place once it is full.
    void write(Skin skin);
    void commitGroup();
    void keep(std::vector<storage::CommitGroup::Outcome> committed);

    storage::CommitGroup group; // the writer's alone
    std::mutex mutex;
    std::condition_variable changed;
    std::deque<Skin> queue;       // handed over, not yet written
    std::int64_t queuedBytes = 0; // of their bitmaps
    bool draining = false;        // the main thread waits for everything to be in place
    bool stopping = false;
    std::vector<SkinOutcome> outcomes; // not taken yet
    std::thread thread;                // last: it starts once everything else is ready
};

// How many skins may wait in one group with `openFilesLeft` more files to be opened: each
// holds up to three open (its source, its temporary, the folder of a link's target), and
// the run needs a few more of its own.
std::size_t groupSizeFor(int openFilesLeft);
