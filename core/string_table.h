#pragma once
// Interned 8-bit strings: one stored copy per text, so stored texts may be compared by
// address. Lookups may ignore the case of ASCII letters; the hash always does, so both
// kinds of lookup walk the same chain. Nothing is removed before the table goes.

#include <cstdint>
#include <memory>

#include "core/block_pool.h"

class StringTable {
  public:
    static constexpr std::uint32_t InitialBucketCount = 29;

    StringTable();
    StringTable(const StringTable&) = delete;
    StringTable& operator=(const StringTable&) = delete;

    // The stored copy of `text`, added on first sight; never null, valid for the table's
    // life. Without `caseSensitive`, ASCII letters match regardless of case and the text
    // added first among the case variants is returned. A null text is taken as empty.
    const char* intern(const char* text, bool caseSensitive);

    // Squares of the case-folded bytes, shifted in; bytes above 127 count as negative.
    static std::uint32_t hash(const char* text);

    std::uint32_t getBucketCount() const { return bucketCount; }
    std::uint32_t getEntryCount() const { return entryCount; }

  private:
    struct Node {
        const char* text;
        Node* next;
    };

    const char* add(Node*& chainEnd, const char* text);
    void rehash(std::uint32_t newBucketCount);

    std::unique_ptr<Node*[]> buckets;
    std::uint32_t bucketCount = InitialBucketCount;
    std::uint32_t entryCount = 0;
    // Nodes and texts live here; both go when the table goes.
    BlockPool pool;
};

// The one table of the process, made during static initialisation.
StringTable& stringTable();
