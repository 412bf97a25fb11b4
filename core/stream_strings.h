#pragma once
// Strings on a stream, in two encodings:
//   long form:  int32 length (0 for null, else the bytes that follow, terminator included),
//               then the characters and a zero byte;
//   short form: one length byte (0 to 255), then the characters without a terminator; null
//               and empty are both the single byte 0.
// The functions only read and write; the stream's sticky status still tells a caller that
// ignores the results what went wrong. Strings the readers allocate belong to the caller
// and are released with delete[].

#include <cstdint>

#include "core/stream_io.h"

// Longest long-form record readString accepts, terminator included. Arbitrary: far beyond
// any string of ours, and a damaged or hostile length cannot make us allocate gigabytes.
inline constexpr std::int32_t MaxStringRecord = 16 * 1024 * 1024;
// Longest text the short form holds.
inline constexpr int MaxShortString = 255;
// What readShortStringInto needs: the longest text and its terminator.
inline constexpr int ShortStringBufferSize = MaxShortString + 1;

// Long form. False when the stream failed, or when the text is too long for readString to
// take back: nothing is written then, and the stream is failed with IoError.
bool writeString(StreamIO& stream, const char* text);

// Reads a long-form record into `text`, releasing what it held. On failure returns false
// and leaves `text` as it was: a stream error, or a negative or oversized length, which
// fails the stream with IoError. A record whose bytes hold no zero is cut at its end.
bool readString(StreamIO& stream, char*& text);

// Short form. A text longer than 255 characters has its first 255 written and the result is
// false, because the rest is lost.
bool writeShortString(StreamIO& stream, const char* text);

// Short form, cutting a longer text to its first 255 characters as a matter of course.
bool writeShortStringClamped(StreamIO& stream, const char* text);

// Reads a short-form string; `text` is only written, never released. An empty string reads
// back as null, as does a failed read.
bool readShortString(StreamIO& stream, char*& text);

// Reads a short-form string into `buffer` (ShortStringBufferSize bytes). The buffer always
// ends up holding a terminated text: empty if the stream failed.
void readShortStringInto(StreamIO& stream, char* buffer);

// Reads a short-form string and interns it in the process-wide string table.
const char* readInternedString(StreamIO& stream, bool caseSensitive);
