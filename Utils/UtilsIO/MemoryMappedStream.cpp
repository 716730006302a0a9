#include "Utils/UtilsIO/MemoryMappedStream.h"

#include "Utils/UtilsIO/FileLockReport.h"
#include "Utils/UtilsIO/MappedFaultGuard.h"
#include "Utils/UtilsIO/MemoryMappedFileImpl.h"
#include "diagnostics/Log.h"

#include <algorithm>
#include <cstring>

namespace UtilsIO
{

VMemoryMappedFileBase::~VMemoryMappedFileBase() = default;

VMemoryMappedFileReadOnly::VMemoryMappedFileReadOnly(unsigned windowSizeMiB, unsigned maxViews)
    : windowSize_(std::uint64_t{std::max(windowSizeMiB, 1u)} << 20),
      maxViews_(std::max(maxViews, 1u))
{
    impl_ = std::make_shared<VMemoryMappedFileImpl>();
}

VMemoryMappedFileReadOnly::~VMemoryMappedFileReadOnly()
{
    Close();
}

bool VMemoryMappedFileReadOnly::OpenFile(const std::string& path)
{
    if (impl_->IsOpen())
    {
        return false;
    }
    if (!impl_->Open(path))
    {
        ReportFileLock(path);
        return false;
    }
    swaps_ = 0;
    position_ = 0;
    // A window that cannot be mapped now is tried again by the first Read.
    MapWindowAt(0);
    return true;
}

bool VMemoryMappedFileReadOnly::Open(const std::string& path)
{
    return OpenFile(path);
}

bool VMemoryMappedFileReadOnly::Close()
{
    if (!impl_->IsOpen())
    {
        return false;
    }
    UnmapAllWindows();
    LogStatistics();
    impl_->Close();
    return true;
}

std::uint64_t VMemoryMappedFileReadOnly::Read(std::uint64_t length, void* destination)
{
    if (IsEnd())
    {
        return 0;
    }
    const std::uint64_t start = position_;
    const std::uint64_t wanted = std::min(length, GetSize() - position_);
    auto* out = static_cast<std::uint8_t*>(destination);
    std::uint64_t copied = 0;
    // When the range lies in the front window this is one check and one copy.
    while (copied < wanted && MakeWindowCurrent(position_))
    {
        const Window& window = views_.front();
        const std::uint64_t count = std::min(window.end - position_, wanted - copied);
        std::memcpy(out + copied, window.address + (position_ - window.start), count);
        copied += count;
        position_ += count;
    }
    if (LostPagesSinceLastCheck())
    {
        DropWindows();
        position_ = start;
        return 0;
    }
    return copied;
}

bool VMemoryMappedFileReadOnly::Seek(std::uint64_t offset)
{
    if (!impl_->IsOpen())
    {
        return false;
    }
    position_ = offset;
    return true;
}

std::uint64_t VMemoryMappedFileReadOnly::Tell() const
{
    return position_;
}

bool VMemoryMappedFileReadOnly::IsEnd() const
{
    return position_ >= GetSize();
}

std::uint64_t VMemoryMappedFileReadOnly::GetSize() const
{
    return impl_->GetSize();
}

std::uint64_t VMemoryMappedFileReadOnly::GetSwaps() const
{
    return swaps_;
}

bool VMemoryMappedFileReadOnly::ViewAt(std::uint64_t offset, VView& view)
{
    if (offset >= GetSize() || !MakeWindowCurrent(offset))
    {
        return false;
    }
    view = views_.front();
    return true;
}

bool VMemoryMappedFileReadOnly::CheckIntact()
{
    const std::uint64_t size = GetSize();
    const bool lost = LostPagesSinceLastCheck();
    impl_->RefreshSize();
    // A file cut within a page raises no bus error: the rest of that page reads as zeros.
    if (!lost && GetSize() >= size)
    {
        return true;
    }
    DropWindows();
    return false;
}

bool VMemoryMappedFileReadOnly::LostPagesSinceLastCheck()
{
    // Faults anywhere in the process move the count; only this file's own views say whether
    // they were this file's.
    const std::uint64_t faults = MappedFaultGuard::GetFaultCount();
    if (faults == checkedFaults_)
    {
        return false;
    }
    checkedFaults_ = faults;
    return impl_->TakeFaults();
}

void VMemoryMappedFileReadOnly::DropWindows()
{
    UnmapAllWindows();
    impl_->RefreshSize();
}

bool VMemoryMappedFileReadOnly::MakeWindowCurrent(std::uint64_t offset)
{
    const auto contains = [offset](const Window& window)
    { return window.start <= offset && offset < window.end; };
    if (!views_.empty() && contains(views_.front()))
    {
        return true;
    }
    const auto found = std::find_if(views_.begin(), views_.end(), contains);
    if (found == views_.end())
    {
        return MapWindowAt(offset);
    }
    std::rotate(views_.begin(), found, found + 1);
    return true;
}

bool VMemoryMappedFileReadOnly::MapWindowAt(std::uint64_t offset)
{
    const std::uint64_t start = offset - offset % windowSize_;
    const std::uint64_t size = std::min(windowSize_, GetSize() - start);
    const std::uint8_t* address = impl_->MapView(start, size);
    if (address == nullptr)
    {
        return false;
    }
    // Mapped before evicting, so that a failed mapping leaves the cache as it was.
    if (views_.size() >= maxViews_)
    {
        impl_->UnmapView(views_.back().address);
        views_.pop_back();
    }
    views_.insert(views_.begin(), Window{start, start + size, address});
    ++swaps_;
    return true;
}

void VMemoryMappedFileReadOnly::UnmapAllWindows()
{
    for (const Window& window : views_)
    {
        impl_->UnmapView(window.address);
    }
    views_.clear();
}

void VMemoryMappedFileReadOnly::LogStatistics() const
{
    static const Qelt::ILogCategorised::ICategory& category =
        Qelt::GlobalLog().GetCategory("Flow2File");
    QELT_LOG_AT(category, 5, "UtilsIO\\MemoryMappedStream", 114)
        << "VMappedFileStreamInput stats: " << swaps_ << " swaps, " << GetSize() / windowSize_ + 1
        << " pages in file.";
}

} // namespace UtilsIO
