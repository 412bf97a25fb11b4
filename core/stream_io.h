#pragma once
// The stream interface every file format reads and writes through. A stream keeps a sticky
// status: after the first failure every later operation fails at once, so a reader or
// writer can issue its whole sequence and test getStatus() once at the end.

#include <cstdint>

#include "platform/file.h"

enum StreamStatus : std::int32_t {
    Ok = 0,
    FileError = 1,   // the file cannot be opened or accessed
    EndOfFile = 2,   // a read delivered fewer bytes than asked
    IoError = 3,     // any other failure of the operating system
    Unsupported = 4, // the operation does not exist for this direction
    Closed = 5,      // no file is attached
};

// Answers of query(): what a stream accepts.
enum StreamQuery : std::int32_t {
    QueryKind = 0,
    QueryWrites = 1,
    QueryReads = 2,
    QuerySeeks = 3,
};

class StreamIO {
  public:
    StreamIO() = default;
    StreamIO(const StreamIO&) = delete;
    StreamIO& operator=(const StreamIO&) = delete;

    virtual int getStatus() { return status; }
    virtual ~StreamIO() = default;
    virtual int getPosition() { return 0; }
    virtual bool setPosition(int) { return true; }
    virtual int query(int) { return 0; }
    virtual bool flush() { return true; }
    virtual bool write(int, const void*) { return true; }
    // Writes the pieces one after the other, as write() would write them joined; a file
    // stream hands them to the system together, without joining them in memory first.
    virtual bool writeGathered(const platform::WritePiece* pieces, int pieceCount) {
        for (int piece = 0; piece < pieceCount; ++piece) {
            if (!write(pieces[piece].size, pieces[piece].data)) {
                return false;
            }
        }
        return true;
    }
    virtual bool read(int, void*) { return true; }
    virtual int reserved() { return 0; }
    virtual void close() {}

    std::int32_t getLastCount() const { return lastCount; }
    // Fails the stream with `reason` as a failed operation would, unless it has failed
    // already: for readers and writers that refuse what they were handed (a record too long
    // for its format), so that a caller testing the status at the end learns of it.
    void markFailed(StreamStatus reason) {
        if (status == Ok) {
            status = reason;
        }
    }

  protected:
    std::int32_t lastCount = 0;
    StreamStatus status = Ok;
};
