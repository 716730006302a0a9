#pragma once

// Buffered writer of a file of any size with 64-bit offsets; seeking past the end and writing
// leaves a hole (a sparse file). Write always succeeds into the buffer: a failed file write is
// recorded in kFailed and reported by Flush, Seek, Close and IsGood. Thread-bound to the thread
// that writes.

#include "Utils/UtilsIO/FileStream64.h"

namespace UtilsIO
{

class ofstream64 : public fstream64
{
public:
    explicit ofstream64(unsigned bufferMiB);
    // Flushes and closes.
    ~ofstream64() override;

    // Creates or truncates the file.
    bool Open(const std::string& path);
    // Flushes and closes; false when no file was open or anything failed since Open.
    bool Close() override;

    // Appends to the buffer and writes it whenever it is full. Always true.
    bool Write(const void* source, std::uint64_t length);
    // False when no file is open or anything failed since Open.
    bool Flush();
    // Flushes, then continues writing at offset.
    bool Seek(std::uint64_t offset);
    std::uint64_t Tell() const;

private:
    void WriteBuffer();
};

} // namespace UtilsIO
