#include "app/pixel_mapping.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <system_error>
#include <thread>

#include "app/row_shares.h"
#include "palette/error_diffusion.h"

namespace {

std::int32_t squaredDistance(const std::uint8_t* bgr, const PaletteEntry& colour) {
    const std::int32_t red = bgr[2] - colour.red;
    const std::int32_t green = bgr[1] - colour.green;
    const std::int32_t blue = bgr[0] - colour.blue;
    return red * red + green * green + blue * blue;
}

// The fallback without a matcher: the plain scan, each distance worked out exactly.
void mapWithPlainScan(const Palette& palette, const std::uint8_t* bgr, std::uint8_t* indices,
                      std::int32_t count, MatchDistances& distances) {
    const std::int64_t farSquared = std::int64_t{distances.farDistance} * distances.farDistance;
    for (std::int32_t column = 0; column < count; ++column, bgr += 3) {
        const int index = palette.findNearest(bgr[2], bgr[1], bgr[0]);
        indices[column] = static_cast<std::uint8_t>(index);
        const std::int32_t squared = squaredDistance(bgr, palette.colors()[index]);
        const double distance = std::sqrt(static_cast<double>(squared));
        distances.total += distance;
        distances.largest = std::max(distances.largest, distance);
        distances.farCount += squared > farSquared ? 1 : 0;
    }
}

// Maps `count` pixels of the row numbered `row` of `rows` from `column` on, adding how far
// each moved to `distances` unless that is null.
void mapRun(const PixelMappers& mappers, NearestMatcher* matcher, const MappingRows& rows,
            std::int32_t row, std::int32_t column, std::int32_t count, MatchDistances* distances) {
    const std::uint8_t* bgr = rows.source + row * rows.sourceStep + std::ptrdiff_t{column} * 3;
    std::uint8_t* indices = rows.target + row * rows.targetStep + column;
    if (mappers.ordered != nullptr) {
        mappers.ordered->mapPixels(NearestColour{mappers.palette, matcher}, bgr, indices, count,
                                   rows.firstRow + row, column, distances);
        return;
    }
    if (matcher != nullptr && distances != nullptr) {
        matcher->mapPixels(bgr, indices, static_cast<std::size_t>(count), *distances);
        return;
    }
    if (matcher != nullptr) {
        matcher->mapPixels(bgr, indices, static_cast<std::size_t>(count));
        return;
    }
    MatchDistances unmeasured;
    mapWithPlainScan(mappers.palette, bgr, indices, count,
                     distances != nullptr ? *distances : unmeasured);
}

// Maps rows of a picture on a thread of its own, with a matcher of its own, while the
// caller maps others and reports the progress of both. Without a matcher for it, or a
// thread to be had, every row is left to the caller.
class SecondMapper {
  public:
    SecondMapper(const PixelMappers& mappers, const MappingRows& rows, RowShares& shares,
                 const MatchDistances* measuring)
        : shares(shares) {
        NearestMatcher* matcher = mappers.secondMatcher;
        if (matcher == nullptr) {
            return;
        }
        if (measuring != nullptr) {
            measured.farDistance = measuring->farDistance;
        }
        MatchDistances* into = measuring != nullptr ? &measured : nullptr;
        try {
            thread = std::thread([this, &mappers, &rows, matcher, into] {
                mapShares(mappers, matcher, rows, into);
            });
        } catch (const std::system_error&) {
        }
    }
    // An abandoned mapping: the rows in hand are finished, no more are taken.
    ~SecondMapper() {
        shares.stop();
        if (thread.joinable()) {
            thread.join();
        }
    }
    SecondMapper(const SecondMapper&) = delete;
    SecondMapper& operator=(const SecondMapper&) = delete;

    std::int64_t pixelsDone() const { return done.load(std::memory_order_acquire); }

    // Waits for the rows taken, and adds how far their colours moved to `distances`.
    void finish(MatchDistances* distances) {
        if (thread.joinable()) {
            thread.join();
        }
        if (distances != nullptr) {
            distances->total += measured.total;
            distances->largest = std::max(distances->largest, measured.largest);
            distances->farCount += measured.farCount;
        }
    }

  private:
    void mapShares(const PixelMappers& mappers, NearestMatcher* matcher, const MappingRows& rows,
                   MatchDistances* into) {
        std::int32_t first = 0;
        std::int32_t last = 0;
        while (shares.next(first, last)) {
            for (std::int32_t row = first; row < last; ++row) {
                mapRun(mappers, matcher, rows, row, 0, rows.width, into);
            }
            done.fetch_add(std::int64_t{last - first} * rows.width, std::memory_order_release);
        }
    }

    RowShares& shares;
    MatchDistances measured; // the second thread's alone until it is joined
    std::atomic<std::int64_t> done{0};
    std::thread thread; // last: it starts once everything else is ready
};

// Error diffusion, pixel after pixel in its order on this thread, reporting progress as the
// threads' mapping does.
MappingEnd mapDiffused(const PixelMappers& mappers, const Bitmap& source, Bitmap& target,
                       MatchDistances* distances, const MappingProgress& progress) {
    ErrorDiffusion diffusion;
    if (!diffusion.reserve(source.width) ||
        !diffusion.start(PictureRows{source.pixels, source.stride, target.pixels, target.stride,
                                     source.width, source.height})) {
        return MappingEnd::OutOfMemory;
    }
    const NearestColour nearest{mappers.palette, mappers.matcher};
    std::int64_t mapped = 0;
    std::int64_t nextUpdate = PixelsPerUpdate;
    while (!diffusion.finished()) {
        mapped += diffusion.mapNext(nearest, nextUpdate - mapped + 1, distances);
        for (; mapped > nextUpdate; nextUpdate += PixelsPerUpdate) {
            if (!progress(nextUpdate)) {
                return MappingEnd::Stopped;
            }
        }
    }
    return MappingEnd::Done;
}

// Rows top first wherever they lie in `source` and `target`.
MappingRows rowsOf(const Bitmap& source, Bitmap& target) {
    return MappingRows{
        source.pixels, source.stride, target.pixels, target.stride, source.width, source.height, 0};
}

} // namespace

MappingEnd mapPicture(const PixelMappers& mappers, const Bitmap& source, Bitmap& target,
                      MatchDistances* distances, const MappingProgress& progress) {
    if (mappers.diffuse) {
        return mapDiffused(mappers, source, target, distances, progress);
    }
    return BandedMapping(mappers, distances, progress).map(rowsOf(source, target));
}

BandedMapping::BandedMapping(const PixelMappers& mappers, MatchDistances* distances,
                             const MappingProgress& progress)
    : mappers(mappers), distances(distances), progress(progress) {}

// Each pixel on its own: rows shared by two threads where a second matcher is given.
MappingEnd BandedMapping::map(const MappingRows& rows) {
    RowShares shares(rows.rowCount, rows.width);
    SecondMapper second(mappers, rows, shares, distances);
    std::int64_t own = 0; // pixels of these rows this thread mapped
    // Once for every pixel numbered 1,024, 2,048, ... that both threads together have mapped
    // by now.
    const auto reportProgress = [&] {
        while (mapped + own + second.pixelsDone() > nextUpdate) {
            if (!progress(nextUpdate)) {
                return false;
            }
            nextUpdate += PixelsPerUpdate;
        }
        return true;
    };
    std::int32_t first = 0;
    std::int32_t last = 0;
    while (shares.next(first, last)) {
        for (std::int32_t row = first; row < last; ++row) {
            std::int32_t column = 0;
            while (column < rows.width) {
                // Up to and including the pixel numbered `nextUpdate`, should the second
                // thread map nothing meanwhile.
                const std::int64_t done = mapped + own + second.pixelsDone();
                const auto run = static_cast<std::int32_t>(std::min<std::int64_t>(
                    rows.width - column, std::max<std::int64_t>(1, nextUpdate - done + 1)));
                mapRun(mappers, mappers.matcher, rows, row, column, run, distances);
                column += run;
                own += run;
                if (!reportProgress()) {
                    shares.stop();
                    return MappingEnd::Stopped;
                }
            }
        }
    }
    second.finish(distances);
    const bool goOn = reportProgress();
    mapped += std::int64_t{rows.rowCount} * rows.width;
    return goOn ? MappingEnd::Done : MappingEnd::Stopped;
}

ui::ColourDistances distancesOver(const MatchDistances& measured, std::int64_t pixels) {
    ui::ColourDistances distances;
    distances.farDistance = static_cast<int>(measured.farDistance);
    if (pixels > 0) {
        distances.mean = measured.total / static_cast<double>(pixels);
        distances.largest = measured.largest;
        distances.farShare = static_cast<double>(measured.farCount) / static_cast<double>(pixels);
    }
    return distances;
}
