#pragma once
// The rows of one picture, handed out a few at a time to the threads that map it, so that
// they finish together however the cost of its colours is spread over the picture.

#include <algorithm>
#include <atomic>
#include <cstdint>

class RowShares {
  public:
    RowShares(std::int32_t height, std::int32_t width)
        : height(height), step(std::max<std::int64_t>(1, PixelsPerShare / std::max(width, 1))) {}

    // The next rows, [first, last); false when every row is taken.
    bool next(std::int32_t& first, std::int32_t& last) {
        const std::int64_t start = nextRow.fetch_add(step, std::memory_order_relaxed);
        if (start >= height) {
            return false;
        }
        first = static_cast<std::int32_t>(start);
        last = static_cast<std::int32_t>(std::min<std::int64_t>(height, start + step));
        return true;
    }
    // Hands out no more rows: the conversion was abandoned.
    void stop() { nextRow.store(height, std::memory_order_relaxed); }

  private:
    static constexpr std::int64_t PixelsPerShare = 16384;

    const std::int64_t height;
    const std::int64_t step;
    std::atomic<std::int64_t> nextRow{0};
};
