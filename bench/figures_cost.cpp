// What the colour-distance figures cost a whole run: the remapper over one folder of skins
// with the figures and without them, for every matcher kernel the processor has, rounds
// interleaved (each first in every other round) on fresh copies flushed to the disk before the
// clock starts. Wall clock and processor time (user and system) of the same runs, side by side. Not
// for users.
//
//   figures_cost [ROUNDS [FOLDER [KERNEL]]]
//
// FOLDER holds "skins.ipl" and 24-bit skins; without it (or with "-") the skins are made
// here: 200 photo-like and 100 flat ones of 256 x 256 and one photo-like picture of
// 2048 x 2048, under a game palette of ramps. ROUNDS defaults to 5. KERNEL (portable, SSE2
// or AVX2) times that one alone, for a profile.

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/remapper.h"
#include "bench/sample_images.h"
#include "bitmap/bitmap.h"
#include "ui/console/console_ui.h"

namespace {

namespace fs = std::filesystem;
using Kernel = NearestMatcher::Kernel;

// Seams take plain functions, so one maker per kernel.
template <Kernel kernel> std::unique_ptr<NearestMatcher> matcherWith(const Palette& palette) {
    return std::make_unique<NearestMatcher>(palette, kernel);
}

struct KernelChoice {
    Kernel kernel;
    std::unique_ptr<NearestMatcher> (*make)(const Palette&);
};

const KernelChoice Kernels[] = {
    {Kernel::Portable, matcherWith<Kernel::Portable>},
    {Kernel::Sse2, matcherWith<Kernel::Sse2>},
    {Kernel::Avx2, matcherWith<Kernel::Avx2>},
};

struct Times {
    double wallMs = 0.0;
    double processorMs = 0.0;
};

double processorMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& time) { return time.tv_sec * 1e3 + time.tv_usec / 1e3; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

void writeSkin(const fs::path& path, int width, int height, const std::vector<std::uint8_t>& bgr) {
    const BitmapPtr bitmap(Bitmap::create(width, height, 24));
    for (int y = 0; y < height; ++y) {
        std::copy_n(bgr.begin() + static_cast<std::ptrdiff_t>(y) * width * 3, width * 3,
                    bitmap->pixels + static_cast<std::ptrdiff_t>(y) * bitmap->stride);
    }
    if (!bitmap->writeFile(path.string().c_str(), BitmapAsBmp)) {
        std::fprintf(stderr, "cannot write %s\n", path.string().c_str());
        std::exit(1);
    }
}

void makeSkins(const fs::path& folder) {
    fs::create_directories(folder);
    bench::gamePalette()->writeFile((folder / "skins.ipl").string().c_str(), PaletteAsRiff);
    const auto photo = bench::photoPixels(256, 256);
    const auto art = bench::artworkPixels(256, 256);
    for (int i = 0; i < 300; ++i) {
        // Each skin its own crop, so that the memo does not know every colour in advance.
        std::vector<std::uint8_t> pixels = i < 200 ? photo : art;
        std::rotate(pixels.begin(), pixels.begin() + (i * 7919 % 65536) * 3, pixels.end());
        char name[32];
        std::snprintf(name, sizeof name, "skin%03d.bmp", i);
        writeSkin(folder / name, 256, 256, pixels);
    }
    writeSkin(folder / "photo.bmp", 2048, 2048, bench::photoPixels(2048, 2048));
}

// One run over a fresh copy of `source`.
Times runOnce(const fs::path& source, const fs::path& work, const RemapperSeams& seams) {
    fs::remove_all(work);
    fs::copy(source, work);
    sync();
    const fs::path home = fs::current_path();
    fs::current_path(work);
    std::FILE* nowhere = std::fopen("/dev/null", "w");
    const double processorBefore = processorMs();
    const auto wallBefore = std::chrono::steady_clock::now();
    {
        ui::ConsoleUi ui(nowhere, false);
        if (runRemapper(ui, {}, seams) != 0) {
            std::fprintf(stderr, "the run failed\n");
            std::exit(1);
        }
    }
    const std::chrono::duration<double, std::milli> wall =
        std::chrono::steady_clock::now() - wallBefore;
    const Times times{wall.count(), processorMs() - processorBefore};
    std::fclose(nowhere);
    fs::current_path(home);
    return times;
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double best(const std::vector<double>& values) {
    return *std::min_element(values.begin(), values.end());
}

double cost(double plain, double measured) {
    return (measured / plain - 1.0) * 100.0;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    const fs::path scratch = fs::temp_directory_path() / "skinremap-figures-cost";
    const bool madeHere = argc <= 2 || std::string(argv[2]) == "-";
    const fs::path source = madeHere ? scratch / "skins" : fs::absolute(argv[2]);
    if (madeHere) {
        makeSkins(source);
    }
    const std::string only = argc > 3 ? argv[3] : "";
    const fs::path work = scratch / "work";

    std::printf("| kernel | figures | best wall ms | best processor ms | median wall ms | "
                "median processor ms |\n|---|---|---:|---:|---:|---:|\n");
    std::vector<std::string> costs;
    for (const KernelChoice& choice : Kernels) {
        if (!NearestMatcher::kernelAvailable(choice.kernel) ||
            (!only.empty() && only != NearestMatcher::kernelName(choice.kernel))) {
            continue;
        }
        std::vector<double> wall[2];
        std::vector<double> processor[2];
        for (int round = 0; round < rounds; ++round) {
            // Each goes first every other round, so neither always meets a colder cache.
            for (const int order : {0, 1}) {
                const int measured = (round + order) % 2;
                RemapperSeams seams;
                seams.createMatcher = choice.make;
                seams.measureDistances = measured == 1;
                const Times times = runOnce(source, work, seams);
                wall[measured].push_back(times.wallMs);
                processor[measured].push_back(times.processorMs);
            }
        }
        const char* name = NearestMatcher::kernelName(choice.kernel);
        for (const int measured : {0, 1}) {
            std::printf("| %s | %s | %.1f | %.1f | %.1f | %.1f |\n", name, measured ? "yes" : "no",
                        best(wall[measured]), best(processor[measured]), median(wall[measured]),
                        median(processor[measured]));
        }
        char line[200];
        std::snprintf(line, sizeof line,
                      "%s: the figures cost %+.1f %% wall and %+.1f %% processor time (best), "
                      "%+.1f %% and %+.1f %% (median)",
                      name, cost(best(wall[0]), best(wall[1])),
                      cost(best(processor[0]), best(processor[1])),
                      cost(median(wall[0]), median(wall[1])),
                      cost(median(processor[0]), median(processor[1])));
        costs.push_back(line);
    }
    std::printf("\n");
    for (const std::string& line : costs) {
        std::printf("%s\n", line.c_str());
    }
    fs::remove_all(work);
    return 0;
}
