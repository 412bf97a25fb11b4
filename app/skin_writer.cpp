#include "app/skin_writer.h"

#include <memory>
#include <new>
#include <system_error>
#include <utility>

namespace {

// A few skins converted ahead keep the writer busy; more would only hold memory. One is
// always taken, however large.
constexpr std::size_t MostWaiting = 4;
constexpr std::int64_t MostWaitingBytes = std::int64_t{32} << 20;

std::int64_t bytesOf(const SkinWriter::Skin& skin) {
    return skin.converted ? skin.converted->imageSize : 0;
}

SkinOutcome outcomeOf(storage::CommitGroup::Outcome& committed) {
    SkinOutcome outcome{std::move(committed.name), SkinOutcome::Kind::Converted, {}, {}};
    switch (committed.result) {
    case storage::CommitResult::Replaced:
        outcome.kind = SkinOutcome::Kind::Converted;
        break;
    case storage::CommitResult::TargetChanged:
        outcome.kind = SkinOutcome::Kind::ChangedMeanwhile;
        break;
    case storage::CommitResult::Failed:
        outcome.kind = SkinOutcome::Kind::Failed;
        break;
    }
    return outcome;
}

} // namespace

// Without a thread to be had, the work is done on the main thread.
SkinWriter::SkinWriter(bool ownThread) {
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

void SkinWriter::hand(Skin skin) {
    if (!thread.joinable()) {
        write(std::move(skin));
        return;
    }
    const std::int64_t bytes = bytesOf(skin);
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] {
        return queue.empty() ||
               (queue.size() < MostWaiting && queuedBytes + bytes <= MostWaitingBytes);
    });
    queue.push_back(std::move(skin));
    queuedBytes += bytes;
    changed.notify_all();
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

void SkinWriter::write(Skin skin) {
    const std::string name = skin.name; // for a failure, whatever became of the skin
    try {
        auto file = skin.outputPath.empty()
                        ? std::make_unique<storage::ReplacingFile>(std::move(skin.source))
                        : std::make_unique<storage::ReplacingFile>(skin.outputPath.c_str());
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
        keep({storage::CommitGroup::Outcome{name, storage::CommitResult::Failed}});
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
        outcomes.push_back(outcomeOf(skin));
    }
}
