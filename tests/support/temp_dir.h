#pragma once
// A fresh directory per test, removed with everything in it when the test ends.

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace testing_support {

class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return root; }
    // Full path of a name inside the directory, as a string for the C-style interfaces.
    std::string file(const std::string& name) const { return (root / name).string(); }

  private:
    std::filesystem::path root;
};

void writeBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> readBytes(const std::string& path);
std::string readText(const std::string& path);
// Bytes 0, 1, 2, ... 255, 0, 1, ... so every offset of a test file is recognisable.
std::vector<std::uint8_t> countingBytes(std::size_t size);
// The names in a directory, sorted, so a test can see exactly what a write left behind.
std::vector<std::string> namesIn(const std::filesystem::path& dir);
// Every regular file of a directory (not below it) by name, with its bytes.
std::map<std::string, std::vector<std::uint8_t>> filesIn(const std::filesystem::path& dir);

} // namespace testing_support
