#pragma once

// The open file behind a memory-mapped stream and the views mapped from it. Views are mapped at
// page-aligned offsets; callers get the address of the byte they asked for, and the map remembers
// the real mapping so that unmapping by that address works.
//
// Open and Close are thread-bound to the owning stream's thread and must not overlap any other
// call. MapView and UnmapView may be called from any thread while the file is open: mutex_ guards
// mappings_.

#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace UtilsIO
{

class VMemoryMappedFileImpl
{
public:
    VMemoryMappedFileImpl() = default;
    VMemoryMappedFileImpl(const VMemoryMappedFileImpl&) = delete;
    VMemoryMappedFileImpl& operator=(const VMemoryMappedFileImpl&) = delete;
    ~VMemoryMappedFileImpl();

    // Opens an existing regular file read-only. False when already open or on failure.
    bool Open(const std::string& path);
    // Unmaps every view still mapped and closes the file.
    void Close();
    bool IsOpen() const { return fd_ >= 0; }
    std::uint64_t GetSize() const { return size_; }

    // Maps [offset, offset + size) read-only and returns the address of the byte at offset, or
    // nullptr when the range is empty, reaches past the end of the file or cannot be mapped.
    const std::uint8_t* MapView(std::uint64_t offset, std::uint64_t size);
    void UnmapView(const std::uint8_t* address);

private:
    struct Mapping
    {
        void* base;
        std::size_t length;
    };

    int fd_ = -1;
    std::uint64_t size_ = 0;
    std::recursive_mutex mutex_;
    std::map<const std::uint8_t*, Mapping> mappings_;
};

} // namespace UtilsIO
