#pragma once

// Common part of the buffered 64-bit-offset file streams: the buffer, the file descriptor and the
// error flags. Failures are recorded in the flags, never thrown. A stream object is thread-bound
// to the thread that uses it.

#include <cstdint>
#include <string>
#include <vector>

namespace UtilsIO
{

class fstream64
{
public:
    enum Flags : unsigned
    {
        kFailed = 1u << 0,    // an operation failed
        kShortRead = 1u << 1, // fewer bytes than asked for were available
    };

    fstream64(const fstream64&) = delete;
    fstream64& operator=(const fstream64&) = delete;
    virtual ~fstream64();

    void ClearFlags();
    // False when no file was open or when closing it failed (also setting kFailed).
    virtual bool Close();

    unsigned GetFlags() const;
    // A file is open and no flag is set.
    bool IsGood() const;

protected:
    // A buffer size of 0 MiB is taken as 1 MiB.
    explicit fstream64(unsigned bufferMiB);

    // Opens path with the given open(2) flags after closing any open file and clearing the flags.
    bool OpenDescriptor(const std::string& path, int openFlags);
    // Reads up to length bytes at offset, stopping early only at the end of the file or on an
    // error (kFailed); returns the count read.
    std::uint64_t ReadAt(std::uint64_t offset, std::uint8_t* destination, std::uint64_t length);
    // Writes all length bytes at offset; false (and kFailed) otherwise.
    bool WriteAt(std::uint64_t offset, const std::uint8_t* source, std::uint64_t length);

    std::vector<std::uint8_t> buffer_;
    std::uint64_t used_ = 0;        // valid bytes in buffer_
    std::uint64_t bufferStart_ = 0; // file offset of buffer_[0]
    int fd_ = -1;
    unsigned flags_ = 0;
};

} // namespace UtilsIO
