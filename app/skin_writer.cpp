#include "app/skin_writer.h"

#include <algorithm>
#include <chrono>
#include <memory>
#include <new>
#include <system_error>
#include <utility>

namespace {

// A few skins converted ahead keep the writer busy; more would only hold memory. One is
// always taken, however large.
constexpr std::size_t MostWaiting = 4;
constexpr std::int64_t MostWaitingBytes = std::int64_t{32} << 20;
// How often a waiting hand-over lets the main thread answer the window.
constexpr auto WaitSlice = std::chrono::milliseconds(10);
// Files a run keeps open besides those of the waiting skins: the standard streams, the
// palette, the skin being read, previews and their folders, the output folder, listings.
constexpr int FilesOfTheRun = 24;
constexpr int FilesPerSkin = 3;

std::int64_t bytesOf(const SkinWriter::Skin& skin) {
    return skin.converted ? skin.converted->imageSize : 0;
}

SkinOutcome::Kind kindOf(storage::CommitResult result) {
    using storage::CommitResult;
    using Kind = SkinOutcome::Kind;
    switch (result) {
    case CommitResult::Replaced:
        return Kind::Converted;
    case CommitResult::ReplacedUnflushed:
        return Kind::ConvertedUnflushed;
    case CommitResult::TargetChanged:
        return Kind::ChangedMeanwhile;
    case CommitResult::BeingWritten:
        return Kind::BeingWritten;
    case CommitResult::KeptAside:
        return Kind::KeptAside;
    case CommitResult::Failed:
        break;
    }
    return Kind::Failed;
}

} // namespace

std::size_t groupSizeFor(int openFilesLeft) {
    const int skins =
        (openFilesLeft - FilesOfTheRun - static_cast<int>(MostWaiting)) / FilesPerSkin;
    return static_cast<std::size_t>(
        std::clamp<int>(skins, 1, static_cast<int>(storage::CommitGroup::DefaultMostFiles)));
}

// Without a thread to be had, the work is done on the main thread.
SkinWriter::SkinWriter(bool ownThread, std::size_t mostInGroup) : group(mostInGroup) {
    if (ownThread) {
        try {
            thread = std::thread(&SkinWriter::run, this);
        } catch (const std::system_error&) {
        }
    }
}

SkinWriter::~SkinWriter() {
    drain();
    if (thread.joinable()) {
        {
            const std::lock_guard lock(mutex);
            stopping = true;
        }
        changed.notify_all();
        thread.join();
    }
}

bool SkinWriter::hand(Skin skin, const WhileWaiting& whileWaiting) {
    if (!thread.joinable()) {
        write(std::move(skin));
        return true;
    }
    const std::int64_t bytes = bytesOf(skin);
    const auto room = [&] {
        return queue.empty() ||
               (queue.size() < MostWaiting && queuedBytes + bytes <= MostWaitingBytes);
    };
    std::unique_lock lock(mutex);
    while (!changed.wait_for(lock, whileWaiting ? WaitSlice : std::chrono::hours(1), room)) {
        if (!whileWaiting) {
            continue;
        }
        lock.unlock();
        const bool goOn = whileWaiting();
        lock.lock();
        if (!goOn) {
            return false;
        }
    }
    queue.push_back(std::move(skin));
    queuedBytes += bytes;
    changed.notify_all();
    return true;
}

std::vector<SkinOutcome> SkinWriter::takeOutcomes() {
    const std::lock_guard lock(mutex);
    return std::exchange(outcomes, {});
}

std::vector<SkinOutcome> SkinWriter::drain() {
    if (!thread.joinable()) {
        commitGroup();
        return takeOutcomes();
    }
    std::unique_lock lock(mutex);
    draining = true;
    changed.notify_all();
    changed.wait(lock, [&] { return !draining; });
    return std::exchange(outcomes, {});
}

// The skins in the order handed over; once none is left and the main thread waits, the
// group goes in place whether full or not.
void SkinWriter::run() {
    std::unique_lock lock(mutex);
    for (;;) {
        changed.wait(lock, [&] { return !queue.empty() || draining || stopping; });
        if (!queue.empty()) {
            Skin skin = std::move(queue.front());
            queue.pop_front();
            queuedBytes -= bytesOf(skin);
            changed.notify_all(); // room for the next
            lock.unlock();
            write(std::move(skin));
            lock.lock();
        } else if (draining) {
            lock.unlock();
            commitGroup();
            lock.lock();
            draining = false;
            changed.notify_all();
        } else {
            return; // stopping, with nothing left
        }
    }
}

// With an output folder, the skin's name there is written, and only while nobody writes the
// skin it was made from.
void SkinWriter::write(Skin skin) {
    const std::string name = skin.name; // for a failure, whatever became of the skin
    try {
        std::unique_ptr<storage::ReplacingFile> file;
        if (skin.outputFolder) {
            file = std::make_unique<storage::ReplacingFile>(skin.outputFolder, name);
            file->madeFrom(std::move(skin.source));
        } else {
            file = std::make_unique<storage::ReplacingFile>(std::move(skin.source));
        }
        if (!skin.converted || !skin.converted->writeReplacement(*file, BitmapAsBmp)) {
            group.addFailed(name);
        } else {
            const std::int64_t bytes = bytesOf(skin);
            skin.converted.reset();
            group.add(name, std::move(file), bytes);
        }
    } catch (const std::bad_alloc&) {
        // Those handed over before it first, so that outcomes keep the list's order.
        commitGroup();
        keep({storage::CommitGroup::Outcome{name, storage::CommitResult::Failed, {}}});
        return;
    }
    if (group.full()) {
        commitGroup();
    }
}

void SkinWriter::commitGroup() {
    if (!group.empty()) {
        keep(group.commit());
    }
}

void SkinWriter::keep(std::vector<storage::CommitGroup::Outcome> committed) {
    const std::lock_guard lock(mutex);
    for (auto& skin : committed) {
        SkinOutcome outcome{std::move(skin.name), kindOf(skin.result)};
        outcome.keptAs = std::move(skin.keptAs);
        outcomes.push_back(std::move(outcome));
    }
}
