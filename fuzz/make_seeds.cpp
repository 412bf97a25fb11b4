// Writes the seed corpora of the fuzz harnesses: the real-world files kept in the project
// and valid files of every format, one folder per harness.
//
//   fuzz_seeds <corpus folder> <output folder>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/sample_files.h"

namespace fs = std::filesystem;
using testing_support::Bytes;

namespace {

// The bitmap harness takes its read flags from the first byte.
Bytes withFlags(std::uint8_t flags, const Bytes& file) {
    // Sized first, then filled: GCC 12 at -O3 misreads an insert into a one-byte vector as
    // an overflow.
    Bytes input(file.size() + 1);
    input[0] = flags;
    std::copy(file.begin(), file.end(), input.begin() + 1);
    return input;
}

Bytes readAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class SeedWriter {
  public:
    explicit SeedWriter(fs::path root) : root(std::move(root)) {}

    void add(const std::string& harness, const std::string& name, const Bytes& bytes) {
        const fs::path folder = root / harness;
        fs::create_directories(folder);
        std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        ok = ok && static_cast<bool>(out);
        ++count;
    }

    bool ok = true;
    int count = 0;

  private:
    fs::path root;
};

void addGenerated(SeedWriter& seeds) {
    using namespace testing_support;
    for (const int depth : {1, 4, 8, 16, 24, 32}) {
        const std::string name = "bmp" + std::to_string(depth);
        seeds.add("bitmap", name, withFlags(1, sampleBmp(5, 3, depth)));
    }
    seeds.add("bitmap", "pbmp", withFlags(0, samplePbmp(6, 4, false)));
    seeds.add("bitmap", "pbmp-palette", withFlags(1, samplePbmp(6, 4, true)));

    seeds.add("palette", "riff256", sampleRiffPalette(256));
    seeds.add("palette", "riff16", sampleRiffPalette(16));
    seeds.add("palette", "pl98", samplePl98(false));
    seeds.add("palette", "pl98-pairs", samplePl98(true));

    seeds.add("remap", "bmp24-5x3", sampleBmp(5, 3, 24));
    seeds.add("remap", "bmp24-40x30", sampleBmp(40, 30, 24));
    seeds.add("remap", "bmp8", sampleBmp(5, 3, 8));

    // First byte: which reader takes each record; then long and short records.
    seeds.add("strings", "mixed",
              {0xE4, 3, 0, 0, 0, 'a', 'b', 0, 2, 'c', 'd', 1, 'e', 3, 'f', 'g', 'h'});
    seeds.add("strings", "nulls", {0x00, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0});
}

void addCorpus(SeedWriter& seeds, const fs::path& corpus) {
    int index = 0;
    for (const auto& entry : fs::recursive_directory_iterator(corpus)) {
        const fs::path& path = entry.path();
        const std::string extension = path.extension().string();
        const std::string name = std::to_string(index++) + "-" + path.filename().string();
        if (extension == ".bmp") {
            const Bytes file = readAll(path);
            seeds.add("bitmap", name, withFlags(static_cast<std::uint8_t>(index & 1), file));
            seeds.add("remap", name, file);
        } else if (extension == ".pal") {
            seeds.add("palette", name, readAll(path));
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: fuzz_seeds <corpus folder> <output folder>\n");
        return 2;
    }
    SeedWriter seeds(argv[2]);
    addGenerated(seeds);
    addCorpus(seeds, argv[1]);
    std::printf("%d seed files in %s\n", seeds.count, argv[2]);
    return seeds.ok ? 0 : 1;
}
