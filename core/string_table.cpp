#include "core/string_table.h"

#include <cstring>
#include <new>
#include <utility>

namespace {

// Only the ASCII letters change; bytes above 127 depend on a code page we do not know.
unsigned char toLowerAscii(unsigned char byte) {
    return byte >= 'A' && byte <= 'Z' ? static_cast<unsigned char>(byte + 32) : byte;
}

unsigned char toUpperAscii(unsigned char byte) {
    return byte >= 'a' && byte <= 'z' ? static_cast<unsigned char>(byte - 32) : byte;
}

bool equalIgnoringAsciiCase(const char* left, const char* right) {
    const auto* a = reinterpret_cast<const unsigned char*>(left);
    const auto* b = reinterpret_cast<const unsigned char*>(right);
    for (; *a != 0 || *b != 0; ++a, ++b) {
        if (toUpperAscii(*a) != toUpperAscii(*b)) {
            return false;
        }
    }
    return true;
}

bool matches(const char* stored, const char* text, bool caseSensitive) {
    return caseSensitive ? std::strcmp(stored, text) == 0 : equalIgnoringAsciiCase(stored, text);
}

} // namespace

StringTable::StringTable() : buckets(std::make_unique<Node*[]>(InitialBucketCount)) {}

std::uint32_t StringTable::hash(const char* text) {
    std::uint32_t h = 0;
    for (const auto* byte = reinterpret_cast<const unsigned char*>(text); *byte != 0; ++byte) {
        const auto folded = static_cast<std::int8_t>(toLowerAscii(*byte));
        const auto square = static_cast<std::uint32_t>(folded * folded);
        h = (h << 1) ^ square;
    }
    return h;
}

const char* StringTable::intern(const char* text, bool caseSensitive) {
    if (text == nullptr) {
        text = "";
    }
    Node** link = &buckets[hash(text) % bucketCount];
    while (*link != nullptr && !matches((*link)->text, text, caseSensitive)) {
        link = &(*link)->next;
    }
    const char* const result = *link != nullptr ? (*link)->text : add(*link, text);
    if (entryCount > 2 * bucketCount) {
        rehash(4 * bucketCount - 1);
    }
    return result;
}

// Appends a node for a copy of `text` where `chainEnd` (the null link that ends a chain)
// points.
const char* StringTable::add(Node*& chainEnd, const char* text) {
    const std::size_t size = std::strlen(text) + 1;
    auto* const node = static_cast<Node*>(pool.alloc(sizeof(Node)));
    auto* const copy = static_cast<char*>(pool.alloc(size));
    std::memcpy(copy, text, size);
    chainEnd = new (node) Node{copy, nullptr};
    ++entryCount;
    return copy;
}

void StringTable::rehash(std::uint32_t newBucketCount) {
    auto newBuckets = std::make_unique<Node*[]>(newBucketCount);
    // Pushing every node onto the front of a list and then onto the front of its new chain
    // reverses twice, so nodes that share a chain keep their order: case variants stay in
    // the order they were added.
    Node* list = nullptr;
    for (std::uint32_t i = 0; i < bucketCount; ++i) {
        for (Node* node = buckets[i]; node != nullptr;) {
            Node* const next = node->next;
            node->next = list;
            list = node;
            node = next;
        }
    }
    while (list != nullptr) {
        Node* const node = list;
        list = node->next;
        Node*& head = newBuckets[hash(node->text) % newBucketCount];
        node->next = head;
        head = node;
    }
    buckets = std::move(newBuckets);
    bucketCount = newBucketCount;
}

StringTable& stringTable() {
    static StringTable table;
    return table;
}

namespace {

// Made with the program's other process-wide objects, before its entry runs.
[[maybe_unused]] const StringTable& startupTable = stringTable();

} // namespace
