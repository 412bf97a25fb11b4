#pragma once
// A bump allocator over large blocks: many small pieces, no per-piece release, everything
// freed together when the pool goes. Pointers it hands out never move.

#include <cstddef>
#include <cstdint>

class BlockPool {
  public:
    // Bytes of one block that alloc() hands out.
    static constexpr std::size_t Capacity = 16376;
    // Every piece starts at a multiple of this, so pieces may hold pointers.
    static constexpr std::size_t Alignment = alignof(void*);
    static_assert(Capacity % Alignment == 0);

    BlockPool();
    ~BlockPool();
    BlockPool(const BlockPool&) = delete;
    BlockPool& operator=(const BlockPool&) = delete;

    // `size` bytes, valid until the pool is destroyed. A piece larger than a block gets a
    // block of its own; allocation failure throws std::bad_alloc.
    void* alloc(std::size_t size);

    // Bytes of the current block not handed out yet.
    std::size_t spaceLeft() const { return Capacity - currentBlock->used; }

  private:
    struct Block {
        Block* next = nullptr; // the block made before this one
        alignas(Alignment) unsigned char storage[Capacity];
        std::uint32_t used = 0; // always a multiple of Alignment
    };
    // Header of a piece too large for a block; its bytes follow it.
    struct LargePiece {
        LargePiece* next = nullptr;
    };
    static_assert(sizeof(LargePiece) % Alignment == 0);

    void* allocLarge(std::size_t size);

    Block* currentBlock;
    LargePiece* largePieces = nullptr;
};
