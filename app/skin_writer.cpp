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

std::vector<SkinWriter::Outcome> SkinWriter::takeOutcomes() {
    const std::lock_guard lock(mutex);
    return std::exchange(outcomes, {});
}

std::vector<SkinWriter::Outcome> SkinWriter::drain() {
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
            keep({Outcome{name, storage::CommitResult::Failed}});
            return;
        }
        const std::int64_t bytes = bytesOf(skin);
        skin.converted.reset();
        group.add(name, std::move(file), bytes);
    } catch (const std::bad_alloc&) {
        keep({Outcome{name, storage::CommitResult::Failed}});
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

void SkinWriter::keep(std::vector<Outcome> more) {
    const std::lock_guard lock(mutex);
    outcomes.insert(outcomes.end(), std::make_move_iterator(more.begin()),
                    std::make_move_iterator(more.end()));
}
