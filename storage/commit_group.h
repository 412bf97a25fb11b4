#pragma once
// Puts many replaced files in place together. Flushing each file before its rename makes the
// disk wait once per file; here every file's write-back is started as soon as it is written,
// then the whole group is taken to the disk, renamed, and its folders flushed: a few waits
// for all of them. A commit waits for its own files only, never for what other programs
// left unwritten. Each file keeps the guarantee of ReplacingFile: after a power loss its
// target holds the old contents or the complete new ones, and once commit() says it was
// replaced, it stays replaced.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "storage/replacing_file.h"

namespace storage {

class CommitGroup {
  public:
    struct Outcome {
        std::string name;
        CommitResult result;
        std::string keptAs; // after KeptAside: where the file that came out was kept
    };

    // At most `mostFiles` files wait at a time (each holds a few open files).
    explicit CommitGroup(std::size_t mostFiles = DefaultMostFiles);

    // Takes `file`, its new contents written, under the name the caller knows it by, and
    // starts writing it to the disk. `bytes` is about how much it holds.
    void add(std::string name, std::unique_ptr<ReplacingFile> file, std::int64_t bytes);
    // Takes the place of a file whose new contents could not be written: it comes out of
    // commit() failed, in its turn.
    void addFailed(std::string name);
    bool empty() const { return waiting.empty(); }
    // So many files or bytes are waiting that they should be committed before more come.
    bool full() const;
    // Flushes every waiting file, puts each in place in the order they came and flushes the
    // folders they went into; the outcomes in the same order. The group is empty
    // afterwards. A file whose folder could not be flushed comes out ReplacedUnflushed. Out
    // of memory before anything is put in place, every file comes out failed, untouched.
    std::vector<Outcome> commit();

    // A few dozen keep far from any limit on open files, and already make the waits rare.
    static constexpr std::size_t DefaultMostFiles = 64;

  private:
    struct Waiting {
        std::string name;
        std::unique_ptr<ReplacingFile> file; // null when it failed before it came
        bool finished = false;
        CommitResult result = CommitResult::Failed;
    };

    // Takes every waiting file to the disk; those that could not be stay unfinished.
    void writeOut();
    void placeAll();
    void flushFolders();

    std::size_t mostFiles;
    std::vector<Waiting> waiting;
    std::int64_t waitingBytes = 0;
};

} // namespace storage
