#pragma once
// Every decode of a trial file goes through this reader: it reads little-endian values from
// the mapped stream and refuses any read that would pass the end of the file or the end of
// the record being read (the current limit). A refused read leaves the position unchanged and
// remembers why it failed, so the file reader can record one clear message.
//
// Thread rules: thread-bound to the reader thread that owns the stream.

#include <cstdint>
#include <string>
#include <vector>

namespace UtilsIO
{
class VMemoryMappedFileReadOnly;
}

enum class EReadFailure
{
    None,
    PastFileEnd,   // a read, seek or length would pass the end of the file
    PastRecordEnd, // ... or the end of the record or block that contains it
    CountTooLarge, // a count of items cannot fit in the bytes that remain
    InvalidLength, // a length or size field holds an impossible value
    EmptyItem,     // a data item occupies no bytes, so a block of them never ends
};

// The message a file reader records for `failure`.
std::string DescribeReadFailure(EReadFailure failure);

class VBoundedReader
{
public:
    // Narrows the reader's limit to `end` for the lifetime of the scope. When `end` lies past
    // the current limit the scope is invalid, the limit stays as it was and the failure is noted.
    class VLimitScope
    {
    public:
        VLimitScope(VBoundedReader& reader, std::uint64_t end);
        ~VLimitScope();
        VLimitScope(const VLimitScope&) = delete;
        VLimitScope& operator=(const VLimitScope&) = delete;
        bool IsValid() const { return valid_; }

    private:
        VBoundedReader& reader_;
        std::uint64_t previous_;
        bool valid_;
    };

    explicit VBoundedReader(UtilsIO::VMemoryMappedFileReadOnly& stream);

    std::uint64_t Tell() const;
    // The end of the current record, never past the end of the file.
    std::uint64_t GetLimit() const;
    std::uint64_t GetRemaining() const;
    bool IsAtLimit() const { return GetRemaining() == 0; }

    // Positions are allowed up to and including the limit.
    bool Seek(std::uint64_t offset);
    bool Skip(std::uint64_t length);
    bool ReadBytes(void* destination, std::uint64_t length);
    // Refuses lengths beyond the remaining bytes before allocating.
    bool ReadBytes(std::vector<std::uint8_t>& destination, std::uint64_t length);
    bool ReadUInt16(std::uint16_t& value);
    bool ReadInt16(std::int16_t& value);
    bool ReadUInt32(std::uint32_t& value);
    bool ReadInt32(std::int32_t& value);
    bool ReadInt64(std::int64_t& value);

    // True when `end` lies within the limit; otherwise notes why not.
    bool CheckEnd(std::uint64_t end);
    // True when `count` items of at least `minimumItemBytes` bytes each (1 when 0 is given)
    // fit in the remaining bytes; otherwise notes CountTooLarge.
    bool CountFits(std::uint64_t count, std::uint64_t minimumItemBytes);

    // Notes `failure` unless an earlier one is pending; always returns false.
    bool Fail(EReadFailure failure);
    EReadFailure GetFailure() const { return failure_; }
    void ClearFailure() { failure_ = EReadFailure::None; }
    // Forgets all limits, e.g. when the stream is reopened.
    void ResetLimit();

private:
    // CheckEnd() for `length` bytes from the current position.
    bool CheckLength(std::uint64_t length);

    UtilsIO::VMemoryMappedFileReadOnly& stream_;
    std::uint64_t limit_;
    EReadFailure failure_ = EReadFailure::None;
};
