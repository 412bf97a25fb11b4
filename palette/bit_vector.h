#pragma once
// A growable vector of bits in 32-bit words. Bit i is the bit 0x80000000 >> (i mod 32) of
// word i / 32: the most significant bit of a word comes first, which is also the order in
// which palette files store the colour-match mask.

#include <cstdint>

struct BitVector {
    // Bit 0 of `flags`: the vector owns `words` and frees it.
    static constexpr std::uint16_t OwnsWords = 0x0001;

    std::int32_t wordCount = 0;
    std::int32_t capacity = 0;
    std::int16_t growStep = 1;
    std::uint16_t flags = 0;
    std::uint32_t* words = nullptr;

    // Makes room for `bits` bits, growing the storage in steps of `growStep` words. Words
    // added are not cleared. On failure the vector is left empty and false is returned.
    bool resize(std::int32_t bits);
    // Sets every bit from `first` to `last`, both included, in either order. Never clears a
    // bit and never grows the storage: bits beyond the words in use are left out.
    void setRange(std::int32_t first, std::int32_t last);
    // True when bit `index` is set; bits beyond the words in use read as clear.
    bool test(std::int32_t index) const;
    // Frees owned storage and leaves the vector empty.
    void freeWords();
};
