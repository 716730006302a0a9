#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace UtilsIO
{

class VMemoryMappedFileImpl;

// Owner of the shared mapping state. Derived streams hold the implementation through impl_.
class VMemoryMappedFileBase
{
protected:
    std::shared_ptr<VMemoryMappedFileImpl> impl_;

public:
    virtual ~VMemoryMappedFileBase();
};

// Read-only stream over a memory-mapped file of any size (64-bit offsets). The file is mapped in
// windows of windowSizeMiB MiB; at most maxViews windows stay mapped, the least recently used one
// is unmapped first. Read never copies from outside a mapping or past the end of the file; a
// window size or view count of 0 is taken as 1. A file cut short or rewritten while it is mapped
// fails the reads that met lost pages (see CheckIntact()), and the process goes on.
//
// Threading: a stream is bound to its reader's thread; Open, Read, Seek, Tell, IsEnd, CheckIntact
// and Close are called from that thread only. The window map inside the implementation has its
// own mutex.
class VMemoryMappedFileReadOnly : public VMemoryMappedFileBase
{
public:
    VMemoryMappedFileReadOnly(unsigned windowSizeMiB, unsigned maxViews);
    ~VMemoryMappedFileReadOnly() override;

    // Opens the file and maps the first window; Open() calls it. False when already open or on
    // failure.
    virtual bool OpenFile(const std::string& path);

    bool Open(const std::string& path);
    bool Close();
    // 0, with the position unchanged, when the read met pages lost under the mapping (a file cut
    // within a page reads as zeros up to the page's end, until CheckIntact()).
    std::uint64_t Read(std::uint64_t length, void* destination);
    bool Seek(std::uint64_t offset);
    std::uint64_t Tell() const;
    bool IsEnd() const;
    std::uint64_t GetSize() const;
    std::uint64_t GetSwaps() const;

    // The mapped bytes [start, end) of one window. A view stays valid until the stream maps
    // another window, or is closed or destroyed.
    struct VView
    {
        std::uint64_t start = 0;
        std::uint64_t end = 0;
        const std::uint8_t* address = nullptr; // the byte at start
    };
    // Makes the window that holds `offset` current, mapping it when needed, and hands back its
    // bytes without copying them. False at or past the end of the file or when the window
    // cannot be mapped.
    bool ViewAt(std::uint64_t offset, VView& view);
    // False when the file was cut short or rewritten under the mapping since the last check:
    // pages were lost (what was read from them was zeros, not the file), or the file is now
    // shorter. The windows (and every VView) are then dropped, so that later reads map the file
    // as it now is. Takes the file's size anew in any case (one system call).
    bool CheckIntact();

private:
    using Window = VView;

    bool MakeWindowCurrent(std::uint64_t offset);
    // Whether a page of this file's windows was lost since the last look.
    bool LostPagesSinceLastCheck();
    // Unmaps every window and takes the file's size anew.
    void DropWindows();
    bool MapWindowAt(std::uint64_t offset);
    void UnmapAllWindows();
    void LogStatistics() const;

    std::vector<Window> views_; // most recently used first
    const std::uint64_t windowSize_;
    const std::size_t maxViews_;
    std::uint64_t position_ = 0;
    std::uint64_t swaps_ = 0;
    // The guard's fault count at the last check.
    std::uint64_t checkedFaults_ = 0;
};

} // namespace UtilsIO
