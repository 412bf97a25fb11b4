#pragma once
// The in-memory raster image: rows of pixels from the top row down, each row starting on a
// 4-byte boundary, with an optional palette of its own, the game palette its values refer
// to, and up to nine detail levels that follow the full image in the same buffer.
//
// Sizes we hold: 0 to 32,768 pixels a side, 1 to 32 bits a pixel, at most 512 MiB of pixels.
// A bitmap with a width or height of 0 is valid (its buffer is empty but not null); the
// readers load such files as well, since create() makes them and the writers store them.

#include <array>
#include <cstdint>
#include <memory>

struct Palette;
class StreamIO;
namespace platform {
class SourceFile;
} // namespace platform
namespace storage {
class ReplacingFile;
enum class CommitResult;
} // namespace storage

// Flag bits of the file operations.
inline constexpr std::uint32_t BitmapWithPalette = 1u << 0; // bring the file's palette along
// Read only a bitmap whose file holds all of its pixels: one that claims more is refused
// before anything is allocated for it (BitmapReadReport::pixelsMissing), whatever it claims.
inline constexpr std::uint32_t BitmapWholePixelsOnly = 1u << 1;
inline constexpr std::uint32_t BitmapAsBmp = 1u << 31; // write a Windows BMP, not PBMP

// Bit of Bitmap::flags: the bitmap owns the buffer at `pixels`. The other bits mean nothing
// to us and travel unchanged through PBMP files.
inline constexpr std::uint32_t BitmapOwnsPixels = 1u << 3;

inline constexpr int MaxDetailLevels = 9;

// What a read found out about the file beside the bitmap it made.
struct BitmapReadReport {
    // Bytes of the pixel buffer that came from the file. A file that ends before its pixels
    // do, or whose pixels lie past its end, leaves the rest of the buffer zero and this
    // count short of imageSize.
    std::int32_t pixelBytesRead = 0;
    // A BMP whose header carries the game palette marker: the file is one of ours, its
    // values are indices of a game palette (paletteIndex says which, when it is recorded).
    bool paletteIndexMarker = false;
    // Why a read failed, where it is not simply that the file holds no bitmap we read: the
    // stream failed (an input/output error), or the image is larger than we hold (the
    // limits above, or memory for its pixels).
    bool readError = false;
    bool tooLarge = false;
    // Read with BitmapWholePixelsOnly: the file ends before the pixels it claims.
    bool pixelsMissing = false;
};

// A rectangle of a source bitmap, all four edges inclusive.
struct BitmapRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};

class Bitmap {
  public:
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t stride = 0; // bytes from one row to the next
    std::int32_t bitDepth = 0;
    // Bytes at `pixels`: height x stride, or a PBMP file's whole "data" chunk.
    std::int32_t imageSize = 0;
    std::uint8_t* pixels = nullptr; // first byte of the top row
    Palette* palette = nullptr;     // always owned
    std::uint32_t flags = 0;
    std::int32_t paletteIndex = -1; // game palette the values index; -1 for none
    std::array<std::uint8_t*, MaxDetailLevels> detailLevels{};
    std::int32_t detailLevelCount = 0;

    Bitmap() = default;
    // Frees the palette and, when owned, the pixels.
    ~Bitmap();
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // A bitmap with a zero-filled buffer of its own, or null when the sizes are outside the
    // limits above or the memory can't be had.
    static Bitmap* create(std::int32_t width, std::int32_t height, std::int32_t bitDepth);
    // A bitmap looking into `rect` of `source`, which must outlive it; null only when the
    // record can't be allocated. The rectangle is the caller's to keep inside the source.
    static Bitmap* createView(const Bitmap& source, const BitmapRect& rect);
    // Lets go of what this bitmap holds and makes it such a view. A view has no detail
    // levels, no palette, and the source's stride.
    void setView(const Bitmap& source, const BitmapRect& rect);
    // Frees a bitmap made by any factory here; nothing for null.
    static void release(Bitmap* bitmap);

    // The value a PBMP file carries as its form size: imageSize + 32, plus 1048 with a
    // palette. Readers ignore it; it is not the length of what follows it.
    std::uint32_t pbmpSize() const;

    // Reading (PBMP or BMP, told apart by the first bytes). BitmapWithPalette and
    // BitmapWholePixelsOnly count.
    // A failed read leaves a bitmap that is only good for another read or release. The
    // forms with a report also say how much of the image the file really held.
    static Bitmap* loadFile(const char* name, std::uint32_t fileFlags);
    static Bitmap* loadFile(const char* name, std::uint32_t fileFlags, BitmapReadReport& report);
    static Bitmap* loadStream(StreamIO& stream, std::uint32_t fileFlags);
    static Bitmap* loadStream(StreamIO& stream, std::uint32_t fileFlags, BitmapReadReport& report);
    // Fails without touching the bitmap when the file can't be opened.
    bool readFile(const char* name, std::uint32_t fileFlags);
    bool readFile(const char* name, std::uint32_t fileFlags, BitmapReadReport& report);
    bool read(StreamIO& stream, std::uint32_t fileFlags);
    bool read(StreamIO& stream, std::uint32_t fileFlags, BitmapReadReport& report);
    // The stream stands 8 bytes after the start of a BMP file, which read() took for a
    // chunk header.
    bool readBmp(StreamIO& stream, std::uint32_t fileFlags);
    bool readBmp(StreamIO& stream, std::uint32_t fileFlags, BitmapReadReport& report);

    // Writing. writeFile never harms an existing file on failure: the new contents replace
    // it only once they are complete, and a read-only file is refused untouched.
    bool writeFile(const char* name, std::uint32_t fileFlags);
    // The same, saying what became of the file: written over whatever regular file `name`
    // stands for when it is opened (a new file never over one that appears meanwhile), or
    // over `original`, opened and read before, only while it is still that file.
    storage::CommitResult replaceFile(const char* name, std::uint32_t fileFlags);
    storage::CommitResult replaceFile(platform::SourceFile original, std::uint32_t fileFlags);
    // Writes the new contents of `file` for the caller to commit; false when they could not
    // be written whole.
    bool writeReplacement(storage::ReplacingFile& file, std::uint32_t fileFlags);
    bool write(StreamIO& stream, std::uint32_t fileFlags);
    // 8-bit and other depths but 24 get a 256-entry colour table: the palette's colours,
    // or a grey ramp. Rows go bottom first; the bitmap's own rows are unchanged afterwards.
    bool writeBmp(StreamIO& stream);

  private:
    // Releases the palette and the owned buffer; pixels and palette null, flags 0.
    void letGo();
    // The reset every read starts from.
    void prepareForRead();
    // read() but for telling an input/output error in the report.
    bool readChunks(StreamIO& stream, std::uint32_t fileFlags, BitmapReadReport& report);
};

// Holds a bitmap and releases it at the end of its scope.
struct BitmapReleaser {
    void operator()(Bitmap* bitmap) const { Bitmap::release(bitmap); }
};
using BitmapPtr = std::unique_ptr<Bitmap, BitmapReleaser>;

// Reverses the order of the rows from `top` down to `bottom` (both the first byte of a row)
// in place. With one row, or a stride of 0, nothing changes.
void flipRows(std::uint8_t* top, std::uint8_t* bottom, std::int32_t stride);
