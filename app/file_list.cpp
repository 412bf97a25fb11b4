#include "app/file_list.h"

#include <cstdlib>
#include <cstring>

// Plain malloc and realloc: running out of memory is an answer here, not an exception,
// and realloc keeps the existing slots when the storage grows.

FileList::~FileList() {
    for (std::int32_t i = 0; i < itemCount; ++i) {
        std::free(items[i]);
    }
    if ((flags & OwnsItems) != 0) {
        std::free(items);
    }
}

bool FileList::add(const char* name) {
    const std::size_t size = std::strlen(name) + 1;
    char* copy = static_cast<char*>(std::malloc(size));
    if (copy == nullptr) {
        return false;
    }
    std::memcpy(copy, name, size);

    if (itemCount + 1 > capacity) {
        const std::int32_t wanted = (itemCount + growStep) / growStep * growStep;
        void* grown = std::realloc(items, static_cast<std::size_t>(wanted) * sizeof(char*));
        if (grown == nullptr) {
            std::free(copy);
            return false;
        }
        items = static_cast<char**>(grown);
        capacity = wanted;
        flags |= OwnsItems;
    }
    items[itemCount] = copy;
    ++itemCount;
    return true;
}

void FileList::removeFirst() {
    if (itemCount <= 0) {
        return;
    }
    std::free(items[0]);
    std::memmove(items, items + 1, static_cast<std::size_t>(itemCount - 1) * sizeof(char*));
    --itemCount;
}
