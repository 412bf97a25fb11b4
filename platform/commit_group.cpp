#include "platform/commit_group.h"

#include <map>

namespace platform {
namespace {

// Each waiting file holds two open files (the original and its temporary); a few dozen keep
// far from any limit on open files, and already make the waits rare.
constexpr std::size_t MostFiles = 64;
constexpr std::int64_t MostBytes = std::int64_t{64} << 20;

} // namespace

void CommitGroup::add(std::string name, std::unique_ptr<ReplacingFile> file, std::int64_t bytes) {
    const bool finished = file->finish();
    waiting.push_back(Waiting{std::move(name), std::move(file), finished});
    waitingBytes += bytes;
}

bool CommitGroup::full() const {
    return waiting.size() >= MostFiles || waitingBytes >= MostBytes;
}

// Every file is flushed before the first rename. By the first flush the system has written
// most of the group, started at add(); that flush waits for the rest and for the file
// system's journal, which then holds the whole group, and the other flushes find their files
// on the disk already. One flush of the whole file system (syncfs) would also wait for all
// that other programs have written.
std::vector<CommitGroup::Outcome> CommitGroup::commit() {
    for (Waiting& file : waiting) {
        file.finished = file.finished && file.file->flush();
    }
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
    std::map<std::string, bool> flushed;
    for (std::size_t i = 0; i < outcomes.size(); ++i) {
        if (directories[i].empty()) {
            continue;
        }
        const auto [directory, first] = flushed.try_emplace(directories[i], false);
        if (first) {
            directory->second = flushDirectory(directories[i].c_str());
        }
        if (!directory->second) {
            outcomes[i].result = CommitResult::Failed;
        }
    }
    return outcomes;
}

} // namespace platform
