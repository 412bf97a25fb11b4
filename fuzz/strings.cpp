// The stream string readers, in an order chosen by the first input byte, over the rest.

#include "core/stream_strings.h"
#include "core/string_table.h"
#include "fuzz/limits.h"
#include "tests/support/memory_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0 || size > fuzzing::MaxInputSize) {
        return 0;
    }
    testing_support::MemoryStream stream({data + 1, data + size});
    char* text = nullptr;
    for (unsigned turn = 0; stream.getStatus() == Ok; ++turn) {
        char* shortText = nullptr;
        char buffer[ShortStringBufferSize];
        switch ((data[0] >> (2 * (turn % 4))) & 3) {
        case 0:
            readString(stream, text);
            break;
        case 1:
            readShortString(stream, shortText);
            delete[] shortText;
            break;
        case 2:
            if (stringTable().getEntryCount() < fuzzing::MaxInternedStrings) {
                readInternedString(stream, (turn & 4) != 0);
                break;
            }
            [[fallthrough]];
        default:
            readShortStringInto(stream, buffer);
            break;
        }
    }
    delete[] text;
    return 0;
}
