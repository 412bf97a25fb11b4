#include "tests/app/out_of_memory.h"

#include <cstdlib>
#include <new>

std::atomic<int> allocationsBeforeFailure{-1};

void* operator new(std::size_t size) {
    if (allocationsBeforeFailure.load() >= 0 && allocationsBeforeFailure-- == 0) {
        throw std::bad_alloc();
    }
    if (void* memory = std::malloc(size == 0 ? 1 : size)) {
        return memory;
    }
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept {
    std::free(memory);
}

void operator delete(void* memory, std::size_t) noexcept {
    std::free(memory);
}
