#include "Utils/UtilsIO/InputFileStream64.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>

namespace UtilsIO
{

ifstream64::ifstream64(unsigned bufferMiB) : fstream64(bufferMiB) {}

bool ifstream64::Open(const std::string& path)
{
    Close();
    // O_NONBLOCK keeps a FIFO from blocking the open; it is refused below.
    if (!OpenDescriptor(path, O_RDONLY | O_NONBLOCK))
    {
        return false;
    }
    struct stat status;
    if (::fstat(fd_, &status) != 0 || !S_ISREG(status.st_mode))
    {
        Close();
        flags_ |= kFailed;
        return false;
    }
    fileSize_ = static_cast<std::uint64_t>(status.st_size);
    return Fill(0);
}

bool ifstream64::Close()
{
    fileSize_ = 0;
    consumed_ = 0;
    return fstream64::Close();
}

bool ifstream64::Read(void* destination, std::uint64_t length)
{
    auto* out = static_cast<std::uint8_t*>(destination);
    while (IsGood() && length > 0)
    {
        if (consumed_ == used_ && (IsEnd() || !Fill(bufferStart_ + used_)))
        {
            flags_ |= kShortRead;
            break;
        }
        const std::uint64_t count = std::min(length, used_ - consumed_);
        std::memcpy(out, buffer_.data() + consumed_, count);
        consumed_ += count;
        out += count;
        length -= count;
    }
    return IsGood();
}

bool ifstream64::Seek(std::uint64_t offset)
{
    if (fd_ < 0)
    {
        flags_ |= kFailed;
        return false;
    }
    if (offset >= bufferStart_ && offset - bufferStart_ < used_)
    {
        consumed_ = offset - bufferStart_;
        return true;
    }
    if (offset < fileSize_)
    {
        return Fill(offset);
    }
    bufferStart_ = fileSize_;
    used_ = 0;
    consumed_ = 0;
    if (offset == fileSize_)
    {
        return true;
    }
    flags_ |= kFailed;
    return false;
}

std::uint64_t ifstream64::Tell() const
{
    return bufferStart_ + consumed_;
}

bool ifstream64::IsEnd() const
{
    return Tell() >= fileSize_;
}

std::uint64_t ifstream64::GetSize() const
{
    return fileSize_;
}

bool ifstream64::Fill(std::uint64_t offset)
{
    const std::uint64_t wanted = std::min<std::uint64_t>(buffer_.size(), fileSize_ - offset);
    bufferStart_ = offset;
    consumed_ = 0;
    used_ = ReadAt(offset, buffer_.data(), wanted);
    // The file may have been truncated since it was opened.
    if (used_ < wanted)
    {
        flags_ |= kShortRead;
    }
    return used_ == wanted && (flags_ & kFailed) == 0;
}

} // namespace UtilsIO
