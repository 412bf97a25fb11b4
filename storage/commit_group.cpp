#include "storage/commit_group.h"

#include <algorithm>
#include <atomic>
#include <map>
#include <new>
#include <system_error>
#include <thread>

namespace storage {
namespace {

constexpr std::int64_t MostBytes = std::int64_t{64} << 20;
// Flushes of separate files overlap on a disk and in a journal; past a few at once they only
// queue.
constexpr std::size_t MostFlushThreads = 8;

template <typename File> void flushEach(const std::vector<File*>& files) {
    std::atomic<std::size_t> next{0};
    const auto work = [&files, &next] {
        for (std::size_t i = next++; i < files.size(); i = next++) {
            files[i]->finished = files[i]->file->flush();
        }
    };
    std::vector<std::thread> helpers;
    helpers.reserve(MostFlushThreads);
    for (std::size_t i = 1; i < std::min(files.size(), MostFlushThreads); ++i) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break; // the rest on this thread
        }
    }
    work();
    for (std::thread& helper : helpers) {
        helper.join();
    }
}

} // namespace

CommitGroup::CommitGroup(std::size_t mostFiles) : mostFiles(std::max<std::size_t>(mostFiles, 1)) {}

void CommitGroup::add(std::string name, std::unique_ptr<ReplacingFile> file, std::int64_t bytes) {
    const bool finished = file->finish();
    waiting.push_back(Waiting{std::move(name), std::move(file), finished});
    waitingBytes += bytes;
}

void CommitGroup::addFailed(std::string name) {
    waiting.push_back(Waiting{std::move(name), nullptr, false});
}

bool CommitGroup::full() const {
    return waiting.size() >= mostFiles || waitingBytes >= MostBytes;
}

// What can run out of memory comes before the first rename: then nothing is in place, and
// every temporary goes with its file.
std::vector<CommitGroup::Outcome> CommitGroup::commit() {
    std::vector<Outcome> done;
    try {
        done.reserve(waiting.size());
        writeOut();
    } catch (const std::bad_alloc&) {
        for (Waiting& file : waiting) {
            file.finished = false;
        }
    }
    placeAll();
    flushFolders();
    for (Waiting& file : waiting) {
        done.push_back(Outcome{std::move(file.name), file.result,
                               file.file ? file.file->keptAs() : std::string{}});
    }
    waiting.clear();
    waitingBytes = 0;
    return done;
}

// Every file reaches the disk before the first rename, and no flush waits for more than the
// group's own files. Each file is written out (started at add()); then, where one flush of
// the file system takes every earlier change along (a journal), the last file of the group
// there is flushed; elsewhere each file is flushed itself, several at a time.
void CommitGroup::writeOut() {
    std::vector<Waiting*> eachItsOwn;
    std::map<std::uint64_t, Waiting*> lastOnSystem;
    for (Waiting& file : waiting) {
        file.finished = file.finished && file.file->finishWriteBack();
        if (!file.finished) {
            continue;
        }
        if (file.file->flushReach() == platform::FlushReach::FileSystem) {
            lastOnSystem[file.file->fileSystem()] = &file;
        } else {
            eachItsOwn.push_back(&file);
        }
    }
    for (const auto& [system, last] : lastOnSystem) {
        if (last->file->flushEverythingBefore()) {
            continue;
        }
        for (Waiting& file : waiting) {
            if (file.finished && file.file->flushReach() == platform::FlushReach::FileSystem &&
                file.file->fileSystem() == system) {
                file.finished = false;
            }
        }
    }
    flushEach(eachItsOwn);
}

void CommitGroup::placeAll() {
    for (Waiting& file : waiting) {
        try {
            file.result = file.finished ? file.file->place() : CommitResult::Failed;
        } catch (const std::bad_alloc&) {
            file.result = CommitResult::Failed; // the file said no before any rename
        }
    }
}

// Each folder once, after all of its renames; a folder that could not be flushed makes each
// of its files say so.
void CommitGroup::flushFolders() {
    const auto replacedInto = [](const Waiting& file, const std::string& folder) {
        return file.result == CommitResult::Replaced && file.file->folder().path() == folder;
    };
    for (auto file = waiting.begin(); file != waiting.end(); ++file) {
        if (file->result != CommitResult::Replaced) {
            continue;
        }
        const std::string& folder = file->file->folder().path();
        if (std::any_of(waiting.begin(), file,
                        [&](const Waiting& earlier) { return replacedInto(earlier, folder); }) ||
            platform::flushNames(file->file->folder())) {
            continue;
        }
        for (auto later = file; later != waiting.end(); ++later) {
            if (replacedInto(*later, folder)) {
                later->result = CommitResult::ReplacedUnflushed;
            }
        }
    }
}

} // namespace storage
