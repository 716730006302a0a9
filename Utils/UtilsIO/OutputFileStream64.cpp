#include "Utils/UtilsIO/OutputFileStream64.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/types.h>

namespace UtilsIO
{

ofstream64::ofstream64(unsigned bufferMiB) : fstream64(bufferMiB) {}

ofstream64::~ofstream64()
{
    Close();
}

bool ofstream64::Open(const std::string& path)
{
    Close();
    return OpenDescriptor(path, O_WRONLY | O_CREAT | O_TRUNC);
}

bool ofstream64::Close()
{
    if (fd_ < 0)
    {
        return false;
    }
    const bool flushed = Flush();
    const bool closed = fstream64::Close();
    return flushed && closed;
}

bool ofstream64::Write(const void* source, std::uint64_t length)
{
    const auto* in = static_cast<const std::uint8_t*>(source);
    while (length > 0)
    {
        const std::uint64_t count = std::min<std::uint64_t>(length, buffer_.size() - used_);
        std::memcpy(buffer_.data() + used_, in, count);
        used_ += count;
        in += count;
        length -= count;
        if (used_ == buffer_.size())
        {
            WriteBuffer();
        }
    }
    return true;
}

bool ofstream64::Flush()
{
    if (fd_ < 0)
    {
        return false;
    }
    WriteBuffer();
    return (flags_ & kFailed) == 0;
}

bool ofstream64::Seek(std::uint64_t offset)
{
    const bool flushed = Flush();
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max()))
    {
        flags_ |= kFailed;
        return false;
    }
    bufferStart_ = offset;
    return flushed;
}

std::uint64_t ofstream64::Tell() const
{
    return bufferStart_ + used_;
}

void ofstream64::WriteBuffer()
{
    if (used_ > 0)
    {
        WriteAt(bufferStart_, buffer_.data(), used_);
    }
    bufferStart_ += used_;
    used_ = 0;
}

} // namespace UtilsIO
