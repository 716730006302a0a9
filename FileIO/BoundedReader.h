#pragma once
// Every decode of a trial file goes through this reader: it reads little-endian values from
// the mapped stream and refuses any read that would pass the end of the file or the end of
// the record being read (the current limit). A refused read leaves the position unchanged and
// remembers why it failed, so the file reader can record one clear message.
//
// The reader keeps its own position and a view of the mapped window it reads from, so a read
// that lies in that window and within the limit is one comparison and one copy. While attached,
// the stream is read through this reader only (another read could unmap the viewed window);
// call Rewind() after the stream is opened or closed.
//
// Thread rules: thread-bound to the reader thread that owns the stream.

#include "Utils/UtilsIO/MemoryMappedStream.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

enum class EReadFailure
{
    None,
    PastFileEnd,   // a read, seek or length would pass the end of the file
    PastRecordEnd, // ... or the end of the record or block that contains it
    CountTooLarge, // a count of items cannot fit in the bytes that remain
    InvalidLength, // a length or size field holds an impossible value
    EmptyItem,     // a data item occupies no bytes, so a block of them never ends
    FileChanged,   // the file was cut short or rewritten under the mapping while it was read
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

    std::uint64_t Tell() const { return position_; }
    // The end of the current record, never past the end of the file.
    std::uint64_t GetLimit() const { return limit_ < fileSize_ ? limit_ : fileSize_; }
    std::uint64_t GetRemaining() const
    {
        const std::uint64_t limit = GetLimit();
        return position_ < limit ? limit - position_ : 0;
    }
    bool IsAtLimit() const { return GetRemaining() == 0; }

    // Positions are allowed up to and including the limit.
    bool Seek(std::uint64_t offset);
    bool Skip(std::uint64_t length);
    bool ReadBytes(void* destination, std::uint64_t length)
    {
        if (const std::uint8_t* source = TakeFromView(length))
        {
            std::memcpy(destination, source, length);
            return true;
        }
        return ReadAcrossWindows(destination, length);
    }
    // The next `length` bytes where they lie in the mapped file, without copying them, when they
    // are all in one window; the position moves past them. The bytes stay valid until the next
    // read (which may map another window). Null when they span windows, pass the limit or
    // `length` is 0: then nothing moved and ReadBytes() is the way to read them.
    const std::uint8_t* ReadInPlace(std::uint64_t length);
    // `size` bytes as a little-endian unsigned value, zero-extended; a size above 8 is refused
    // as an invalid length. Decoded from the
    // mapped bytes directly: a copy of an odd size read back as a whole word would stall.
    bool ReadUnsigned(std::size_t size, std::uint64_t& value)
    {
        std::uint8_t bytes[8];
        if (size > sizeof bytes)
            return Fail(EReadFailure::InvalidLength);
        const std::uint8_t* source = TakeFromView(size);
        if (source == nullptr)
        {
            if (!ReadAcrossWindows(bytes, size))
                return false;
            source = bytes;
        }
        value = 0;
        for (std::size_t i = size; i-- > 0;)
            value = value << 8 | source[i];
        return true;
    }
    // Refuses lengths beyond the remaining bytes before allocating.
    bool ReadBytes(std::vector<std::uint8_t>& destination, std::uint64_t length);
    bool ReadUInt16(std::uint16_t& value);
    bool ReadInt16(std::int16_t& value);
    bool ReadUInt32(std::uint32_t& value);
    bool ReadInt32(std::int32_t& value);
    bool ReadInt64(std::int64_t& value);

    // True when `end` lies within the limit; otherwise notes why not.
    bool CheckEnd(std::uint64_t end);
    // True when `count` items of at least `minimumItemBytes` bytes each fit in the remaining
    // bytes. An item that takes no bytes is still one item, so each counts at least one byte.
    bool CanHold(std::uint64_t count, std::uint64_t minimumItemBytes) const;
    // CanHold(), noting CountTooLarge when not.
    bool CountFits(std::uint64_t count, std::uint64_t minimumItemBytes);

    // False, noting FileChanged in place of any pending failure, when the file was cut short or
    // rewritten under the mapping since the last check, so that what was read may be zeros in
    // place of lost bytes. Reads after it see the file as it now is.
    bool CheckIntact();

    // Notes `failure` unless an earlier one is pending; always returns false.
    bool Fail(EReadFailure failure);
    EReadFailure GetFailure() const { return failure_; }
    void ClearFailure() { failure_ = EReadFailure::None; }
    // Forgets all limits, the pending failure and the viewed window, takes the stream's size
    // anew and moves to the start of the file. Called whenever the stream is opened or closed.
    void Rewind();

private:
    using VView = UtilsIO::VMemoryMappedFileReadOnly::VView;

    // The next `length` (> 0) bytes when they lie in the viewed window and within the limit,
    // and the position moved past them; otherwise null and nothing moved.
    const std::uint8_t* TakeFromView(std::uint64_t length)
    {
        if (position_ < view_.start || position_ > directEnd_ || length > directEnd_ - position_ ||
            length == 0)
            return nullptr;
        const std::uint8_t* bytes = view_.address + (position_ - view_.start);
        position_ += length;
        return bytes;
    }

    // CheckEnd() for `length` bytes from the current position.
    bool CheckLength(std::uint64_t length);
    // The read that does not lie in the viewed window: checks the limit, then copies window by
    // window, viewing each in turn.
    bool ReadAcrossWindows(void* destination, std::uint64_t length);
    bool ViewWindowAt(std::uint64_t offset);
    // The end of the bytes that a read may copy from the viewed window without further checks.
    void UpdateDirectEnd();

    UtilsIO::VMemoryMappedFileReadOnly& stream_;
    std::uint64_t limit_;
    std::uint64_t fileSize_ = 0;
    std::uint64_t position_ = 0;
    VView view_;
    std::uint64_t directEnd_ = 0;
    EReadFailure failure_ = EReadFailure::None;
};
