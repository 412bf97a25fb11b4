// The palette's readFromStream over the whole input. Whatever loads is written back in both
// formats, which reads every table it claims to have.

#include "palette/palette.h"
#include "fuzz/discarding_stream.h"
#include "fuzz/limits.h"
#include "tests/support/memory_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > fuzzing::MaxInputSize) {
        return 0;
    }
    testing_support::MemoryStream stream({data, data + size});
    PalettePtr palette(Palette::create());
    if (palette && palette->readFromStream(stream)) {
        for (const std::uint32_t format : {0u, PaletteAsRiff}) {
            fuzzing::DiscardingStream out;
            palette->writeToStream(out, format);
        }
    }
    return 0;
}
