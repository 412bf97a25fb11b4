#pragma once
// A folder of skins for the end-to-end runs, and what the runs over it are compared with.

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tests/support/file_bytes.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

namespace end_to_end {

using testing_support::Bytes;

inline constexpr const char* PaletteName = "skins.ipl";

// A 24-bit skin whose pixels follow from `seed`, so that every file of a batch differs.
Bytes makeSkin(std::int32_t width, std::int32_t height, std::uint32_t seed);

// A directory holding the palette and the given skins, inside a scratch directory that
// also keeps the program's standard error.
struct SkinDirectory {
    explicit SkinDirectory(const std::map<std::string, Bytes>& skins);

    std::string file(const std::string& name) const { return (path / name).string(); }
    // The program over this directory, to its end, with `arguments` before the folder.
    testing_support::RunResult run(testing_support::RunOptions options = {},
                                   const std::vector<std::string>& arguments = {}) const;
    // The program over this directory, left to the test; its errors go to errorFile().
    std::unique_ptr<testing_support::ProgramRun>
    start(testing_support::RunOptions options = {},
          const std::vector<std::string>& arguments = {}) const;
    std::filesystem::path errorFile() const { return scratch.path() / "stderr.txt"; }
    std::set<std::string> names() const;
    // The names of our temporary files in the directory.
    std::vector<std::string> temporaries() const;

    testing_support::TempDir scratch;
    std::filesystem::path path;
};

// What the program makes of each skin when nothing goes wrong: the reference every
// later outcome is compared with.
std::map<std::string, Bytes> convertUndisturbed(const std::map<std::string, Bytes>& skins);

// The names of the "Remapping: <name>" lines of the program's output, the final "done."
// left out.
std::multiset<std::string> remappedNames(const std::string& output);

} // namespace end_to_end
