#include "storage/commit_group.h"

#include <map>

namespace storage {
namespace {

// Each waiting file holds two open files (the original and its temporary); a few dozen keep
// far from any limit on open files, and already make the waits rare.
constexpr std::size_t MostFiles = 64;
constexpr std::int64_t MostBytes = std::int64_t{64} << 20;

// What was done once for a directory, on behalf of all its files.
using ByDirectory = std::map<std::string, bool>;

template <typename Step>
bool oncePerDirectory(ByDirectory& done, const std::string& directory, Step step) {
    const auto [entry, first] = done.try_emplace(directory, false);
    if (first) {
        entry->second = step();
    }
    return entry->second;
}

} // namespace

void CommitGroup::add(std::string name, std::unique_ptr<ReplacingFile> file, std::int64_t bytes) {
    const bool finished = file->finish();
    waiting.push_back(Waiting{std::move(name), std::move(file), finished});
    waitingBytes += bytes;
}

void CommitGroup::addFailed(std::string name) {
    waiting.push_back(Waiting{std::move(name), nullptr, false});
}

bool CommitGroup::full() const {
    return waiting.size() >= MostFiles || waitingBytes >= MostBytes;
}

std::vector<CommitGroup::Outcome> CommitGroup::commit() {
    writeOut();
    std::vector<Outcome> outcomes;
    std::vector<std::string> directories; // where each file went; empty when it didn't
    for (Waiting& file : waiting) {
        const CommitResult result = file.finished ? file.file->place() : CommitResult::Failed;
        directories.push_back(result == CommitResult::Replaced ? file.file->directory() : "");
        outcomes.push_back(Outcome{std::move(file.name), result});
    }
    waiting.clear();
    waitingBytes = 0;
    // Each directory once, after all of its renames.
    ByDirectory flushed;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        if (!directories[i].empty() && !oncePerDirectory(flushed, directories[i], [&] {
                return platform::flushDirectory(directories[i].c_str());
            })) {
            outcomes[i].result = CommitResult::Failed;
        }
    }
    return outcomes;
}

// Every file reaches the disk before the first rename. Flushing each with fsync would have
// the disk empty its cache once per file, some milliseconds each; here each file is written
// out (started at add()), then the file system of each directory is flushed once. That
// flush also writes out what other programs left unwritten there.
void CommitGroup::writeOut() {
    for (Waiting& file : waiting) {
        file.finished = file.finished && file.file->finishWriteBack();
    }
    ByDirectory flushed;
    for (Waiting& file : waiting) {
        file.finished = file.finished && oncePerDirectory(flushed, file.file->directory(), [&] {
                            return file.file->flushFileSystem();
                        });
    }
}

} // namespace storage
