#pragma once
// What a fatal report throws when the log is told to throw instead of ending the process.
// Plain data with fixed-size fields, so copying it can never fail while it is in flight.

#include <cstdint>

class AssertException {
  public:
    static constexpr int FieldSize = 200;

    // Keeps the first FieldSize - 1 characters of each text; null reads as empty.
    AssertException(const char* file, std::int32_t line, const char* message);

    char file[FieldSize];
    std::int32_t line;
    char message[FieldSize];
};
