#pragma once
// Puts many replaced files in place together. Flushing each file before its rename makes the
// disk wait once per file; here every file's write-back is started as soon as it is written,
// then the whole group is taken to the disk, renamed, and its directories flushed: a few
// waits for all of them. Each file keeps the guarantee of ReplacingFile: after a power loss its
// target holds the old contents or the complete new ones, and once commit() says it was replaced,
// it stays replaced.

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
    };

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
    // directories they went into; the outcomes in the same order. The group is empty
    // afterwards. A file whose directory could not be flushed is reported failed: it is in
    // place, but might not be after a power loss.
    std::vector<Outcome> commit();

  private:
    // Takes every waiting file to the disk; those that could not be stay unfinished.
    void writeOut();

    struct Waiting {
        std::string name;
        std::unique_ptr<ReplacingFile> file; // null when it failed before it came
        bool finished = false;
    };
    std::vector<Waiting> waiting;
    std::int64_t waitingBytes = 0;
};

} // namespace storage
