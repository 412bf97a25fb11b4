// The matcher against the plain scan, on pixels of photos, artwork and skins.

#include <benchmark/benchmark.h>

#include "bench/sample_images.h"
#include "palette/nearest_matcher.h"

namespace {

void countPixels(benchmark::State& state, std::size_t pixels) {
    state.counters["Mpix/s"] = benchmark::Counter(static_cast<double>(pixels) *
                                                      static_cast<double>(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
}

std::vector<std::uint8_t> imageFor(const benchmark::State& state) {
    const int side = static_cast<int>(state.range(1));
    return state.range(0) == 0 ? bench::photoPixels(side, side) : bench::artworkPixels(side, side);
}

// One matcher for the whole run, as the remapper keeps it for a batch.
void Matcher(benchmark::State& state) {
    const PalettePtr palette = bench::gamePalette();
    NearestMatcher matcher(*palette);
    const std::vector<std::uint8_t> pixels = imageFor(state);
    std::vector<std::uint8_t> indices(pixels.size() / 3);
    for (auto _ : state) {
        matcher.mapPixels(pixels.data(), indices.data(), indices.size());
        benchmark::DoNotOptimize(indices.data());
    }
    countPixels(state, indices.size());
}
// Arguments: 0 photo or 1 artwork, then the side in pixels.
BENCHMARK(Matcher)
    ->ArgNames({"art", "side"})
    ->Args({0, 256})
    ->Args({0, 1024})
    ->Args({0, 2048})
    ->Args({1, 256})
    ->Args({1, 2048})
    ->Unit(benchmark::kMillisecond);

void FindNearest(benchmark::State& state) {
    const PalettePtr palette = bench::gamePalette();
    const std::vector<std::uint8_t> pixels = imageFor(state);
    std::vector<std::uint8_t> indices(pixels.size() / 3);
    for (auto _ : state) {
        const std::uint8_t* bgr = pixels.data();
        for (std::uint8_t& index : indices) {
            index = static_cast<std::uint8_t>(palette->findNearest(bgr[2], bgr[1], bgr[0]));
            bgr += 3;
        }
        benchmark::DoNotOptimize(indices.data());
    }
    countPixels(state, indices.size());
}
BENCHMARK(FindNearest)
    ->ArgNames({"art", "side"})
    ->Args({0, 256})
    ->Args({1, 256})
    ->Unit(benchmark::kMillisecond);

void MatcherBuild(benchmark::State& state) {
    const PalettePtr palette = bench::gamePalette();
    for (auto _ : state) {
        NearestMatcher matcher(*palette);
        benchmark::DoNotOptimize(matcher);
    }
}
BENCHMARK(MatcherBuild)->Unit(benchmark::kMillisecond);

} // namespace
