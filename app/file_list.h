#pragma once
// The names still to convert, in the order the directory search gave them. The list owns
// each name and frees it when it is taken off; the slot storage grows in steps of
// `growStep` and never shrinks.

#include <cstdint>

struct FileList {
    static constexpr std::uint16_t OwnsItems = 1; // bit of `flags`: `items` is ours to free

    std::int32_t itemCount = 0;
    std::int32_t capacity = 0;
    std::int16_t growStep = 5;
    std::uint16_t flags = 0;
    char** items = nullptr;

    FileList() = default;
    ~FileList();
    FileList(const FileList&) = delete;
    FileList& operator=(const FileList&) = delete;

    // Appends a copy of `name`. When memory runs out the list stays as it was and the
    // result is false.
    bool add(const char* name);
    // The first name; the list must not be empty.
    const char* first() const { return items[0]; }
    // Frees the first name and moves the others up, keeping their order.
    void removeFirst();
};
