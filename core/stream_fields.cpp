#include "core/stream_fields.h"

#include "core/size_math.h"

namespace stream_fields {
namespace {

// After a short read the block is taken again in pieces of this size while they last, then
// byte by byte up to the end of the stream.
constexpr std::int32_t RecoveryPiece = 64 * 1024;

// Reads pieces of `piece` bytes while they fit in what is left; returns the bytes now read.
std::int32_t readPieces(StreamIO& stream, std::uint8_t* destination, std::int32_t size,
                        std::int32_t done, std::int32_t piece) {
    while (size - done >= piece && stream.read(piece, destination + done)) {
        done += piece;
    }
    return done;
}

} // namespace

bool holdsBytes(StreamIO& stream, std::int32_t offset, std::int32_t size) {
    if (size <= 0) {
        return stream.setPosition(offset);
    }
    const auto last = size_math::checkedAdd(offset, size - 1);
    std::uint8_t byte = 0;
    return last && stream.setPosition(*last) && stream.read(1, &byte) && stream.setPosition(offset);
}

bool readAvailable(StreamIO& stream, std::uint8_t* destination, std::int32_t size,
                   std::int32_t& arrived) {
    arrived = 0;
    const std::int32_t start = stream.getPosition();
    if (stream.read(size, destination)) {
        arrived = size;
        return true;
    }
    if (stream.getStatus() != EndOfFile) {
        return false;
    }
    // Streams differ in what a short read leaves in the caller's memory (some copy what
    // they had, some nothing), so the block is read again: whole pieces while the stream
    // has them, then single bytes up to its end.
    std::int32_t done = 0;
    for (const std::int32_t piece : {RecoveryPiece, std::int32_t{1}}) {
        // Past the last position a stream can name there is nothing to go back to.
        const auto at = size_math::checkedAdd(start, done);
        if (!at || !stream.setPosition(*at)) {
            return false;
        }
        done = readPieces(stream, destination, size, done, piece);
        if (stream.getStatus() != Ok && stream.getStatus() != EndOfFile) {
            return false;
        }
    }
    arrived = done;
    return true;
}

bool skipBytes(StreamIO& stream, std::int64_t count) {
    const auto target = size_math::checkedAdd(stream.getPosition(), count);
    return target && stream.setPosition(*target);
}

} // namespace stream_fields
