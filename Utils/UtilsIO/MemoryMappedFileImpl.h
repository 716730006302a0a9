#pragma once

// The open file behind a memory-mapped stream and the views mapped from it. Views are mapped at
// page-aligned offsets; callers get the address of the byte they asked for, and the map remembers
// the real mapping so that unmapping by that address works. Every view is watched by the bus-error
// guard while it is mapped, so a file cut short under it costs the read, not the process.
//
// Open, Close and RefreshSize are thread-bound to the owning stream's thread and must not overlap
// any other call. MapView, UnmapView and TakeFaults may be called from any thread while the file
// is open: mutex_ guards mappings_; size_ is atomic.

#include <atomic>
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
    std::uint64_t GetSize() const { return size_.load(); }
    // Takes the size of the file as it now is, after it changed under the views.
    void RefreshSize();

    // Maps [offset, offset + size) read-only and returns the address of the byte at offset, or
    // nullptr when the range is empty, reaches past the end of the file or cannot be mapped (or
    // watched).
    const std::uint8_t* MapView(std::uint64_t offset, std::uint64_t size);
    void UnmapView(const std::uint8_t* address);
    // Whether pages of any view were lost since the last call: the file was cut short or
    // rewritten under them, and what was read from them since is not the file's.
    bool TakeFaults();

private:
    struct Mapping
    {
        void* base;
        std::size_t length;
        int guardSlot;
    };

    void Unmap(const Mapping& mapping);

    int fd_ = -1;
    std::atomic<std::uint64_t> size_{0};
    std::recursive_mutex mutex_;
    std::map<const std::uint8_t*, Mapping> mappings_;
};

} // namespace UtilsIO
