#include "Utils/UtilsIO/MemoryMappedFileImpl.h"

#include "Utils/UtilsIO/MappedFaultGuard.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace UtilsIO
{

namespace
{

std::uint64_t PageSize()
{
    static const std::uint64_t pageSize = static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
    return pageSize;
}

} // namespace

VMemoryMappedFileImpl::~VMemoryMappedFileImpl()
{
    Close();
}

bool VMemoryMappedFileImpl::Open(const std::string& path)
{
    if (IsOpen())
    {
        return false;
    }
    // O_NONBLOCK keeps a FIFO given as a trial file from blocking the open; it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
    {
        return false;
    }
    struct stat status;
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
    {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    size_ = static_cast<std::uint64_t>(status.st_size);
    return true;
}

void VMemoryMappedFileImpl::RefreshSize()
{
    struct stat status;
    if (IsOpen() && ::fstat(fd_, &status) == 0)
    {
        size_ = static_cast<std::uint64_t>(status.st_size);
    }
}

void VMemoryMappedFileImpl::Close()
{
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        for (const auto& entry : mappings_)
        {
            Unmap(entry.second);
        }
        mappings_.clear();
    }
    if (IsOpen())
    {
        ::close(fd_);
    }
    fd_ = -1;
    size_ = 0;
}

const std::uint8_t* VMemoryMappedFileImpl::MapView(std::uint64_t offset, std::uint64_t size)
{
    // Touching a mapped page beyond the end of the file raises SIGBUS, so never map one.
    if (!IsOpen() || size == 0 || offset >= size_ || size > size_ - offset)
    {
        return nullptr;
    }
    const std::uint64_t alignedOffset = offset - offset % PageSize();
    const std::uint64_t lead = offset - alignedOffset;
    const std::size_t length = static_cast<std::size_t>(size + lead);
    void* base =
        ::mmap(nullptr, length, PROT_READ, MAP_SHARED, fd_, static_cast<off_t>(alignedOffset));
    if (base == MAP_FAILED)
    {
        return nullptr;
    }
    // Unwatched, a view could kill the process if the file were cut short under it.
    const int guardSlot = MappedFaultGuard::Watch(base, length);
    if (guardSlot < 0)
    {
        ::munmap(base, length);
        return nullptr;
    }
    const std::uint8_t* address = static_cast<const std::uint8_t*>(base) + lead;
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    mappings_[address] = Mapping{base, length, guardSlot};
    return address;
}

void VMemoryMappedFileImpl::UnmapView(const std::uint8_t* address)
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    const auto found = mappings_.find(address);
    if (found == mappings_.end())
    {
        return;
    }
    Unmap(found->second);
    mappings_.erase(found);
}

bool VMemoryMappedFileImpl::TakeFaults()
{
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    bool faulted = false;
    for (const auto& entry : mappings_)
    {
        faulted = MappedFaultGuard::TakeFault(entry.second.guardSlot) || faulted;
    }
    return faulted;
}

void VMemoryMappedFileImpl::Unmap(const Mapping& mapping)
{
    // No longer watched before the range is given back, so the guard never mistakes whatever is
    // mapped there next for this view.
    MappedFaultGuard::Forget(mapping.guardSlot);
    ::munmap(mapping.base, mapping.length);
}

} // namespace UtilsIO
