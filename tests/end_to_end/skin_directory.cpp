#include "tests/end_to_end/skin_directory.h"

#include <random>

#include <gtest/gtest.h>

#include "storage/stale_temporaries.h"
#include "tests/support/sample_files.h"

namespace fs = std::filesystem;

namespace end_to_end {

Bytes makeSkin(std::int32_t width, std::int32_t height, std::uint32_t seed) {
    Bytes file = testing_support::sampleBmp(width, height, 24);
    std::minstd_rand random(seed + 1);
    for (std::size_t at = 54; at < file.size(); ++at) {
        file[at] = static_cast<std::uint8_t>(random());
    }
    return file;
}

SkinDirectory::SkinDirectory(const std::map<std::string, Bytes>& skins)
    : path(scratch.path() / "skins") {
    fs::create_directory(path);
    testing_support::writeBytes((path / PaletteName).string(),
                                testing_support::sampleRiffPalette(256));
    for (const auto& [name, bytes] : skins) {
        testing_support::writeBytes((path / name).string(), bytes);
    }
}

testing_support::RunResult SkinDirectory::run(testing_support::RunOptions options,
                                              const std::vector<std::string>& arguments) const {
    return testing_support::runProgram(SKINREMAP_PROGRAM, arguments, path, options);
}

std::unique_ptr<testing_support::ProgramRun>
SkinDirectory::start(testing_support::RunOptions options,
                     const std::vector<std::string>& arguments) const {
    return std::make_unique<testing_support::ProgramRun>(SKINREMAP_PROGRAM, arguments, path,
                                                         errorFile(), options);
}

std::set<std::string> SkinDirectory::names() const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(path)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

std::vector<std::string> SkinDirectory::temporaries() const {
    std::vector<std::string> found;
    for (const std::string& name : names()) {
        if (storage::isOwnTemporaryName(name)) {
            found.push_back(name);
        }
    }
    return found;
}

std::map<std::string, Bytes> convertUndisturbed(const std::map<std::string, Bytes>& skins) {
    SkinDirectory directory(skins);
    const testing_support::RunResult run = directory.run();
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    std::map<std::string, Bytes> converted;
    for (const auto& [name, bytes] : skins) {
        converted[name] = testing_support::readBytes(directory.file(name));
        EXPECT_NE(converted[name], bytes) << name << " was not converted";
    }
    return converted;
}

std::multiset<std::string> remappedNames(const std::string& output) {
    std::multiset<std::string> names;
    const std::string prefix = "Remapping: ";
    std::size_t start = 0;
    for (auto end = output.find('\n'); end != std::string::npos; end = output.find('\n', start)) {
        const std::string line = output.substr(start, end - start);
        if (line.rfind(prefix, 0) == 0 && line != prefix + "done.") {
            names.insert(line.substr(prefix.size()));
        }
        start = end + 1;
    }
    return names;
}

} // namespace end_to_end
