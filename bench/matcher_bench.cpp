// The matcher against the plain scan, on pixels of photos, artwork and skins.

#include <benchmark/benchmark.h>

#include "bench/sample_images.h"
#include "palette/nearest_matcher.h"

namespace {

std::array<bool, NearestMatcher::EntryCount> loadedMask() {
    std::array<bool, NearestMatcher::EntryCount> mask{};
    mask.fill(true);
    mask[255] = false;
    return mask;
}

void mapImage(benchmark::State& state, const std::vector<std::uint8_t>& pixels) {
    NearestMatcher matcher(bench::gamePaletteColors(), loadedMask());
    const std::size_t count = pixels.size() / 3;
    std::vector<std::uint8_t> indices(count);
    for (auto _ : state) {
        matcher.mapPixels(pixels.data(), indices.data(), count);
        benchmark::DoNotOptimize(indices.data());
    }
    state.counters["Mpix/s"] = benchmark::Counter(static_cast<double>(count) *
                                                      static_cast<double>(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
}

void MatcherPhoto(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    mapImage(state, bench::photoPixels(side, side));
}
BENCHMARK(MatcherPhoto)->Arg(256)->Arg(1024)->Arg(2048)->Unit(benchmark::kMillisecond);

void MatcherArtwork(benchmark::State& state) {
    const int side = static_cast<int>(state.range(0));
    mapImage(state, bench::artworkPixels(side, side));
}
BENCHMARK(MatcherArtwork)->Arg(256)->Arg(2048)->Unit(benchmark::kMillisecond);

void MatcherBuild(benchmark::State& state) {
    const auto colors = bench::gamePaletteColors();
    const auto mask = loadedMask();
    for (auto _ : state) {
        NearestMatcher matcher(colors, mask);
        benchmark::DoNotOptimize(matcher);
    }
}
BENCHMARK(MatcherBuild)->Unit(benchmark::kMillisecond);

} // namespace
