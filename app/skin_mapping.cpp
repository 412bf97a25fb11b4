#include "app/skin_mapping.h"

#include <algorithm>

#include "app/progress.h"

namespace {

// The matcher gives exactly what findNearest gives, many times faster. It is built at the
// first conversion and kept for the batch, since the palette doesn't change during a run.
// Should memory be short for it, the conversion falls back to findNearest.
NearestMatcher* matcherFor(RemapperState& state) {
    if (!state.matcher) {
        state.matcher = state.seams.createMatcher(*state.skinPalette);
    }
    return state.matcher.get();
}

// A picture this large is mapped by a second thread as well, with a matcher of its own (a
// matcher learns as it maps, so two threads can't share one). Below the size, starting the
// thread would cost more than it saves; without a first matcher there is none.
NearestMatcher* secondMatcherFor(RemapperState& state, std::int64_t pixels) {
    const std::int64_t from = state.seams.sharedMappingPixels;
    if (from <= 0 || pixels < from || state.matcher == nullptr) {
        return nullptr;
    }
    if (!state.secondMatcher) {
        state.secondMatcher = state.seams.createMatcher(*state.skinPalette);
    }
    return state.secondMatcher.get();
}

// The ordered pattern's thresholds, worked out from the palette at the first conversion
// that needs them and kept for the batch, like the matcher.
const OrderedDither* orderedFor(RemapperState& state) {
    if (state.dither != DitherMethod::Ordered) {
        return nullptr;
    }
    if (!state.ordered) {
        state.ordered.emplace(*state.skinPalette);
    }
    return &*state.ordered;
}

// What a mapping of a picture of `pixels` pixels reports at each update: the share of the
// file converted, through UpdateProgress.
MappingProgress progressOver(RemapperState& state, std::int64_t pixels) {
    return [&state, pixels](std::int64_t mapped) {
        state.fileFraction =
            static_cast<float>(static_cast<double>(mapped) / static_cast<double>(pixels));
        return UpdateProgress(state);
    };
}

// Where the `count` rows of a band, read from file row `fileRow` on, lie in the picture.
MappingRows bandRows(const BmpRowReader& rows, const std::uint8_t* band, std::int32_t fileRow,
                     std::int32_t count, Bitmap& target) {
    const std::int32_t stride = rows.stride();
    if (rows.topRowFirst()) {
        return MappingRows{
            band,          stride,       target.pixels + std::ptrdiff_t{fileRow} * target.stride,
            target.stride, rows.width(), count,
            fileRow};
    }
    // Stored bottom first: the band's last row is its upper one.
    const std::int32_t upper = rows.height() - fileRow - count;
    return MappingRows{band + std::ptrdiff_t{count - 1} * stride,
                       -stride,
                       target.pixels + std::ptrdiff_t{upper} * target.stride,
                       target.stride,
                       rows.width(),
                       count,
                       upper};
}

// Reads the rows of `rows` a band at a time into `band`, which holds `bandRowCount` of them,
// and maps each into its place in `target`.
BandsEnd mapBands(RemapperState& state, BmpRowReader& rows, std::uint8_t* band,
                  std::int32_t bandRowCount, Bitmap& target, MatchDistances& distances) {
    const std::int64_t pixels = std::int64_t{rows.width()} * rows.height();
    NearestMatcher* matcher = matcherFor(state);
    const PixelMappers mappers{*state.skinPalette, matcher, secondMatcherFor(state, pixels), false,
                               orderedFor(state)};
    const MappingProgress progress = progressOver(state, pixels);
    BandedMapping mapping(mappers, state.seams.measureDistances ? &distances : nullptr, progress);
    for (std::int32_t fileRow = 0; fileRow < rows.height(); fileRow += bandRowCount) {
        const std::int32_t count = std::min(bandRowCount, rows.height() - fileRow);
        if (!rows.readRows(band, count)) {
            return BandsEnd::RowsMissing;
        }
        if (mapping.map(bandRows(rows, band, fileRow, count, target)) == MappingEnd::Stopped) {
            return BandsEnd::Stopped;
        }
    }
    return BandsEnd::Mapped;
}

} // namespace

bool convertsInBands(const RemapperState& state) {
    return state.preview == nullptr && state.dither != DitherMethod::Diffusion;
}

MappingEnd remapPixels(RemapperState& state, const Bitmap& source, Bitmap& target,
                       MatchDistances& distances) {
    const std::int64_t pixels = std::int64_t{source.width} * source.height;
    NearestMatcher* matcher = matcherFor(state);
    // Diffusion maps on this thread alone: each row depends on the one above.
    const bool diffuse = state.dither == DitherMethod::Diffusion;
    const PixelMappers mappers{*state.skinPalette, matcher,
                               diffuse ? nullptr : secondMatcherFor(state, pixels), diffuse,
                               orderedFor(state)};
    MatchDistances* measured = state.seams.measureDistances ? &distances : nullptr;
    return mapPicture(mappers, source, target, measured, progressOver(state, pixels));
}

BandsEnd remapBands(RemapperState& state, BmpRowReader& rows, Bitmap& target,
                    MatchDistances& distances) {
    const std::int32_t bandRowCount = static_cast<std::int32_t>(std::clamp<std::int64_t>(
        state.seams.bandBytes / std::max(rows.stride(), 1), 1, std::max(rows.height(), 1)));
    std::uint8_t* band = state.band.reserve(static_cast<std::size_t>(bandRowCount) *
                                            static_cast<std::size_t>(rows.stride()));
    if (band == nullptr) {
        return BandsEnd::OutOfMemory;
    }
    return mapBands(state, rows, band, bandRowCount, target, distances);
}
