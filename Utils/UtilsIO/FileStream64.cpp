#include "Utils/UtilsIO/FileStream64.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace UtilsIO
{

fstream64::fstream64(unsigned bufferMiB) : buffer_(std::size_t{std::max(bufferMiB, 1u)} << 20) {}

fstream64::~fstream64()
{
    fstream64::Close();
}

void fstream64::ClearFlags()
{
    flags_ = 0;
}

bool fstream64::Close()
{
    if (fd_ < 0)
    {
        return false;
    }
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    used_ = 0;
    bufferStart_ = 0;
    if (!closed)
    {
        flags_ |= kFailed;
    }
    return closed;
}

unsigned fstream64::GetFlags() const
{
    return flags_;
}

bool fstream64::IsGood() const
{
    return fd_ >= 0 && flags_ == 0;
}

bool fstream64::OpenDescriptor(const std::string& path, int openFlags)
{
    Close();
    ClearFlags();
    fd_ = ::open(path.c_str(), openFlags | O_CLOEXEC, 0666);
    return fd_ >= 0;
}

std::uint64_t fstream64::ReadAt(std::uint64_t offset, std::uint8_t* destination,
                                std::uint64_t length)
{
    std::uint64_t done = 0;
    while (done < length)
    {
        const ssize_t count =
            ::pread(fd_, destination + done, length - done, static_cast<off_t>(offset + done));
        if (count < 0 && errno == EINTR)
        {
            continue;
        }
        if (count < 0)
        {
            flags_ |= kFailed;
        }
        if (count <= 0)
        {
            break;
        }
        done += static_cast<std::uint64_t>(count);
    }
    return done;
}

bool fstream64::WriteAt(std::uint64_t offset, const std::uint8_t* source, std::uint64_t length)
{
    std::uint64_t done = 0;
    while (done < length)
    {
        const ssize_t count =
            ::pwrite(fd_, source + done, length - done, static_cast<off_t>(offset + done));
        if (count < 0 && errno == EINTR)
        {
            continue;
        }
        if (count <= 0)
        {
            flags_ |= kFailed;
            return false;
        }
        done += static_cast<std::uint64_t>(count);
    }
    return true;
}

} // namespace UtilsIO
