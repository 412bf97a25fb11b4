// Runs a fuzz harness over files instead of under the fuzzer, so that every input kept
// under tests/data/crashers/ replays as an ordinary test, in any build and on any platform.
// A directory argument replays every file in it.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool replay(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.string().c_str());
        return false;
    }
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                          std::istreambuf_iterator<char>()};
    // An empty vector has no data(); the harness still gets a valid pointer.
    const std::uint8_t none = 0;
    LLVMFuzzerTestOneInput(bytes.empty() ? &none : bytes.data(), bytes.size());
    std::printf("replayed %s (%zu bytes)\n", path.string().c_str(), bytes.size());
    return true;
}

} // namespace

int main(int argc, char** argv) {
    bool ok = argc > 1;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path = argv[i];
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
                ok = replay(entry.path()) && ok;
            }
        } else {
            ok = replay(path) && ok;
        }
    }
    return ok ? 0 : 1;
}
