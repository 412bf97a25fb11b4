#include "core/block_pool.h"

#include <new>
#include <utility>

BlockPool::BlockPool() : currentBlock(new Block) {}

BlockPool::~BlockPool() {
    while (currentBlock != nullptr) {
        delete std::exchange(currentBlock, currentBlock->next);
    }
    while (largePieces != nullptr) {
        LargePiece* const piece = std::exchange(largePieces, largePieces->next);
        piece->~LargePiece();
        ::operator delete(piece);
    }
}

void* BlockPool::alloc(std::size_t size) {
    if (size > Capacity) {
        return allocLarge(size);
    }
    // Compared before rounding: `used` and Capacity are both multiples of Alignment, so the
    // rounded size fits whenever the exact one does.
    if (currentBlock->used + size > Capacity) {
        Block* const block = new Block;
        block->next = currentBlock;
        currentBlock = block;
    }
    unsigned char* const piece = currentBlock->storage + currentBlock->used;
    const std::size_t rounded = (size + Alignment - 1) / Alignment * Alignment;
    currentBlock->used += static_cast<std::uint32_t>(rounded);
    return piece;
}

void* BlockPool::allocLarge(std::size_t size) {
    if (size > static_cast<std::size_t>(-1) - sizeof(LargePiece)) {
        throw std::bad_alloc();
    }
    void* const memory = ::operator new(sizeof(LargePiece) + size);
    auto* const piece = new (memory) LargePiece{largePieces};
    largePieces = piece;
    return piece + 1;
}
