// Mapping alone: the matcher against the plain scan, with every kernel the processor has.
//
//   matcher_bench [benchmark options] [PALETTE.pal ...] [PICTURE.bmp ...]
//
// Without files it maps pictures made in code (a grainy photo, flat art and uniform noise)
// under a game palette of ramps and under a median cut of a portrait (crowded into skin
// tones). Palettes and 24-bit BMP pictures
// given on the command line are mapped in every pairing instead. Each palette matches
// entries 0 to 254, as the remapper's does. Speeds are by processor time.
//
//   Map/<picture>/<palette>/<kernel>          one matcher kept across runs, as for a batch
//   MapMeasured/<picture>/<palette>/<kernel>  the same, adding up colour distances
//   MapFresh/<picture>/<palette>              a new matcher for each run: one picture alone
//   MapDiffused/<picture>/<palette>           error diffusion (--dither), figures added up,
//                                             one matcher kept across runs
//   MapOrdered/<picture>/<palette>            the ordered pattern (--dither=ordered), the same

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bench/sample_images.h"
#include "bitmap/bitmap.h"
#include "palette/error_diffusion.h"
#include "palette/nearest_matcher.h"
#include "palette/ordered_dither.h"

namespace {

struct Picture {
    std::string name;
    std::vector<std::uint8_t> bgr; // rows packed
    std::int32_t width = 0;
    std::size_t pixels() const { return bgr.size() / 3; }
    std::int32_t height() const { return static_cast<std::int32_t>(pixels() / width); }
};

struct NamedPalette {
    std::string name;
    std::shared_ptr<const Palette> palette;
};

void countPixels(benchmark::State& state, std::size_t pixels) {
    state.counters["Mpix/s"] = benchmark::Counter(static_cast<double>(pixels) *
                                                      static_cast<double>(state.iterations()) / 1e6,
                                                  benchmark::Counter::kIsRate);
}

std::string baseName(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.substr(0, name.find_last_of('.'));
}

bool endsWith(const std::string& text, const char* end) {
    const std::size_t length = std::strlen(end);
    return text.size() >= length && text.compare(text.size() - length, length, end) == 0;
}

std::shared_ptr<const Palette> loadPalette(const std::string& path) {
    std::shared_ptr<Palette> palette(Palette::loadWholeFile(path.c_str()), Palette::release);
    if (palette) {
        palette->matchMask.setRange(0, 254);
    }
    return palette;
}

bool loadPicture(const std::string& path, Picture& picture) {
    const BitmapPtr bitmap(Bitmap::loadFile(path.c_str(), 0));
    if (!bitmap || bitmap->bitDepth != 24) {
        return false;
    }
    picture.name = baseName(path);
    picture.width = bitmap->width;
    for (std::int32_t row = 0; row < bitmap->height; ++row) {
        const std::uint8_t* from = bitmap->pixels + std::int64_t{row} * bitmap->stride;
        picture.bgr.insert(picture.bgr.end(), from, from + std::int64_t{bitmap->width} * 3);
    }
    return true;
}

const NearestMatcher::Kernel Kernels[] = {
    NearestMatcher::Kernel::Portable, NearestMatcher::Kernel::Sse2, NearestMatcher::Kernel::Avx2};

void registerPairing(const std::shared_ptr<const Picture>& picture, const NamedPalette& palette) {
    const std::string pairing = picture->name + "/" + palette.name;
    const std::shared_ptr<const Palette> colors = palette.palette;
    for (const NearestMatcher::Kernel kernel : Kernels) {
        if (!NearestMatcher::kernelAvailable(kernel)) {
            continue;
        }
        const std::string suffix = pairing + "/" + NearestMatcher::kernelName(kernel);
        benchmark::RegisterBenchmark(("Map/" + suffix).c_str(), [=](benchmark::State& state) {
            NearestMatcher matcher(*colors, kernel);
            std::vector<std::uint8_t> indices(picture->pixels());
            for (auto _ : state) {
                matcher.mapPixels(picture->bgr.data(), indices.data(), indices.size());
                benchmark::DoNotOptimize(indices.data());
            }
            countPixels(state, indices.size());
            state.counters["cells"] = static_cast<double>(matcher.cellsBuilt());
            state.counters["KiB"] = static_cast<double>(matcher.bytesUsed()) / 1024;
        })->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("MapMeasured/" + suffix).c_str(), [=](benchmark::State&
                                                                                state) {
            NearestMatcher matcher(*colors, kernel);
            std::vector<std::uint8_t> indices(picture->pixels());
            for (auto _ : state) {
                MatchDistances distances;
                matcher.mapPixels(picture->bgr.data(), indices.data(), indices.size(), distances);
                benchmark::DoNotOptimize(distances);
            }
            countPixels(state, indices.size());
        })->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark(("MapDiffused/" + pairing).c_str(), [=](benchmark::State& state) {
        NearestMatcher matcher(*colors);
        std::vector<std::uint8_t> indices(picture->pixels());
        const PictureRows rows{picture->bgr.data(), std::ptrdiff_t{picture->width} * 3,
                               indices.data(),      picture->width,
                               picture->width,      picture->height()};
        ErrorDiffusion diffusion;
        diffusion.reserve(picture->width);
        for (auto _ : state) {
            MatchDistances distances;
            diffusion.start(rows);
            diffusion.mapNext({*colors, &matcher}, std::int64_t{1} << 62, &distances);
            benchmark::DoNotOptimize(distances);
        }
        countPixels(state, indices.size());
        state.counters["KiB"] = static_cast<double>(matcher.bytesUsed()) / 1024;
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("MapOrdered/" + pairing).c_str(), [=](benchmark::State& state) {
        NearestMatcher matcher(*colors);
        const OrderedDither ordered(*colors);
        std::vector<std::uint8_t> indices(picture->pixels());
        for (auto _ : state) {
            MatchDistances distances;
            for (std::int32_t row = 0; row < picture->height(); ++row) {
                const std::size_t first = std::size_t(row) * std::size_t(picture->width);
                ordered.mapPixels({*colors, &matcher}, picture->bgr.data() + 3 * first,
                                  indices.data() + first, picture->width, row, 0, &distances);
            }
            benchmark::DoNotOptimize(distances);
        }
        countPixels(state, indices.size());
    })->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark(("MapFresh/" + pairing).c_str(), [=](benchmark::State& state) {
        std::vector<std::uint8_t> indices(picture->pixels());
        for (auto _ : state) {
            NearestMatcher matcher(*colors);
            matcher.mapPixels(picture->bgr.data(), indices.data(), indices.size());
            benchmark::DoNotOptimize(indices.data());
        }
        countPixels(state, indices.size());
    })->Unit(benchmark::kMillisecond);
}

void registerPlainScan(const std::shared_ptr<const Picture>& picture, const NamedPalette& palette) {
    const std::shared_ptr<const Palette> colors = palette.palette;
    benchmark::RegisterBenchmark(("FindNearest/" + picture->name + "/" + palette.name).c_str(),
                                 [=](benchmark::State& state) {
                                     std::vector<std::uint8_t> indices(picture->pixels());
                                     for (auto _ : state) {
                                         const std::uint8_t* bgr = picture->bgr.data();
                                         for (std::uint8_t& index : indices) {
                                             index = static_cast<std::uint8_t>(
                                                 colors->findNearest(bgr[2], bgr[1], bgr[0]));
                                             bgr += 3;
                                         }
                                         benchmark::DoNotOptimize(indices.data());
                                     }
                                     countPixels(state, indices.size());
                                 })
        ->Unit(benchmark::kMillisecond);
}

void registerBuild(const NamedPalette& palette) {
    const std::shared_ptr<const Palette> colors = palette.palette;
    benchmark::RegisterBenchmark(("MatcherBuild/" + palette.name).c_str(),
                                 [=](benchmark::State& state) {
                                     for (auto _ : state) {
                                         NearestMatcher matcher(*colors);
                                         benchmark::DoNotOptimize(matcher);
                                     }
                                 })
        ->Unit(benchmark::kMicrosecond);
}

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    std::vector<NamedPalette> palettes;
    std::vector<std::shared_ptr<const Picture>> pictures;
    for (int i = 1; i < argc; ++i) {
        const std::string path = argv[i];
        if (endsWith(path, ".pal") || endsWith(path, ".ipl")) {
            palettes.push_back({baseName(path), loadPalette(path)});
            if (!palettes.back().palette) {
                std::fprintf(stderr, "matcher_bench: %s is no palette\n", path.c_str());
                return 2;
            }
        } else {
            auto picture = std::make_shared<Picture>();
            if (!loadPicture(path, *picture)) {
                std::fprintf(stderr, "matcher_bench: %s is no 24-bit BMP picture\n", path.c_str());
                return 2;
            }
            pictures.push_back(picture);
        }
    }
    if (palettes.empty()) {
        palettes.push_back({"game", bench::gamePalette()});
        palettes.push_back({"portrait", loadPalette(SKINREMAP_PORTRAIT_PALETTE)});
    }
    if (pictures.empty()) {
        for (const int side : {256, 2048}) {
            const std::string size = std::to_string(side);
            pictures.push_back(std::make_shared<Picture>(
                Picture{"photo-" + size, bench::photoPixels(side, side), side}));
            pictures.push_back(std::make_shared<Picture>(
                Picture{"art-" + size, bench::artworkPixels(side, side), side}));
        }
        pictures.push_back(
            std::make_shared<Picture>(Picture{"noise-2048", bench::noisePixels(2048, 2048)}));
    }
    for (const NamedPalette& palette : palettes) {
        registerBuild(palette);
        for (const auto& picture : pictures) {
            registerPairing(picture, palette);
        }
        registerPlainScan(pictures.front(), palette);
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
