// The floor under any remapper: for every *.bmp of the current directory, read the whole
// file and write a third of it (one byte for each three of a 24-bit pixel) to a temporary
// beside it, then rename that over the file, as skinremap does. bench/compare.sh times it.

#include <cstdio>
#include <string>
#include <vector>

#include "platform/directory.h"

namespace {

bool shrink(const std::string& name, std::vector<char>& buffer) {
    std::FILE* in = std::fopen(name.c_str(), "rb");
    if (in == nullptr) {
        return false;
    }
    buffer.clear();
    char block[1 << 16];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, in)) > 0) {
        buffer.insert(buffer.end(), block, block + got);
    }
    std::fclose(in);

    const std::string temporary = name + ".tmp";
    std::FILE* out = std::fopen(temporary.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    const std::size_t third = buffer.size() / 3;
    const bool written = std::fwrite(buffer.data(), 1, third, out) == third;
    return std::fclose(out) == 0 && written && std::rename(temporary.c_str(), name.c_str()) == 0;
}

} // namespace

int main() {
    std::vector<std::string> names;
    platform::DirectorySearch search(".bmp");
    while (const char* name = search.next()) {
        names.emplace_back(name);
    }
    std::vector<char> buffer;
    int failures = 0;
    for (const std::string& name : names) {
        failures += shrink(name, buffer) ? 0 : 1;
    }
    return failures == 0 ? 0 : 1;
}
