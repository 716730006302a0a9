#pragma once

// Buffered reader of a file of any size with 64-bit offsets. Reads are served from a buffer that
// is refilled from the file as needed; failures are recorded in the flags. Thread-bound to the
// thread that reads.

#include "Utils/UtilsIO/FileStream64.h"

namespace UtilsIO
{

class ifstream64 : public fstream64
{
public:
    explicit ifstream64(unsigned bufferMiB);

    // Opens an existing regular file and fills the buffer from its start.
    bool Open(const std::string& path);
    bool Close() override;

    // Copies length bytes. False when no file is open, a flag is already set, or fewer bytes
    // remain (the rest is copied and kShortRead set) or an error occurred (kFailed).
    bool Read(void* destination, std::uint64_t length);
    // Offsets at or past the size position at the end; past it, also kFailed and false.
    bool Seek(std::uint64_t offset);
    std::uint64_t Tell() const;
    bool IsEnd() const;
    std::uint64_t GetSize() const;

private:
    // Refills the buffer from offset; false unless every byte up to the buffer size or the end of
    // the file arrived.
    bool Fill(std::uint64_t offset);

    std::uint64_t fileSize_ = 0;
    std::uint64_t consumed_ = 0; // bytes of the buffer already read
};

} // namespace UtilsIO
