#include "FileIO/X2DIO/X2DImport.h"

#include "FileIO/X2DIO/X2DImportImpl.h"

#include <cmath>
#include <limits>

namespace X2DIO
{
namespace
{
constexpr double kTickRate = 135000000.0;
constexpr std::int32_t kFirstDvIdentifier = 0x3000000;
constexpr std::int32_t kLastDvIdentifier = 0x3FFFFFF;

std::string MakeCameraName(std::int32_t identifier)
{
    const bool dv = identifier >= kFirstDvIdentifier && identifier <= kLastDvIdentifier;
    return (dv ? "dv:" : "lume:") + std::to_string(identifier);
}

template <class TSet> void Resize(std::vector<std::shared_ptr<TSet>>* list, std::size_t count)
{
    if (list != nullptr)
        list->resize(count);
}

template <class TSet> TSet* EntryAt(std::vector<std::shared_ptr<TSet>>* list, std::size_t index)
{
    return list != nullptr ? (*list)[index].get() : nullptr;
}
} // namespace

VX2DImport::VX2DImport(unsigned viewSizeMiB) : impl_(std::make_unique<VX2DImportImpl>(viewSizeMiB))
{
}

VX2DImport::~VX2DImport()
{
    Close();
}

bool VX2DImport::Open(const std::string& path, bool rebuildIndex)
{
    impl_->Reset();
    impl_->ClearErrors();
    cameraInfoHeader_ = VCameraInfoHeader();
    startTimecodeHeader_ = VStartTimecodeHeader();
    cameraNames_.clear();
    if (!impl_->OpenFile(path))
        return false;
    RegisterPlugins();
    if (!impl_->ReadHeader(rebuildIndex))
        return false;
    BuildCameraNames();
    return true;
}

void VX2DImport::RegisterPlugins()
{
    impl_->RegisterCustomHeader(cameraInfoHeader_);
    impl_->RegisterCustomHeader(startTimecodeHeader_);
    impl_->RegisterDataHolder(centroidHolder_);
    impl_->RegisterDataHolder(trackHolder_);
    impl_->RegisterDataHolder(blobHolder_);
    impl_->RegisterDataHolder(cameraFrameInfoHolder_);
    impl_->RegisterDataHolder(edgePairHolder_);
}

void VX2DImport::BuildCameraNames()
{
    for (const CameraInfo& camera : cameraInfoHeader_.GetCameras())
        cameraNames_.push_back(MakeCameraName(camera.identifier));
}

void VX2DImport::Close()
{
    impl_->Close();
}

bool VX2DImport::IsOpen() const
{
    return impl_->IsOpen();
}

std::uint32_t VX2DImport::GetNumberOfCameras() const
{
    return std::uint32_t(impl_->GetCameraCount());
}

std::int32_t VX2DImport::GetNumberOfFrames() const
{
    return impl_->GetFrameCount();
}

void VX2DImport::GetFrameRange(std::int32_t& first, std::int32_t& last) const
{
    const VIndexTable& index = impl_->GetIndexTable();
    VIndexTable::VEntry firstEntry, lastEntry;
    if (impl_->GetFrameCount() == 0 || !index.GetEntry(0, firstEntry) ||
        !index.GetEntry(std::int64_t(index.GetCount()) - 1, lastEntry))
    {
        first = 1;
        last = 0;
        return;
    }
    first = firstEntry.frameNumber;
    last = lastEntry.frameNumber;
}

std::uint64_t VX2DImport::GetFramePeriod() const
{
    const double period = std::round(kTickRate / cameraInfoHeader_.GetFrameRate());
    // Rates of 0, below 0, not a number or too small for 64 bits give no period.
    const bool usable = period >= 0.0 && period < std::ldexp(1.0, 64);
    return usable ? std::uint64_t(period) : 0;
}

void VX2DImport::GetCameraInfos(std::vector<CameraInfo>& infos) const
{
    infos = cameraInfoHeader_.GetCameras();
}

bool VX2DImport::GetStartTimecode(Timecode& timecode) const
{
    return timecode.Parse(startTimecodeHeader_.GetText(), GetFramePeriod());
}

void VX2DImport::GetFrameNumbers(std::vector<std::int32_t>& numbers) const
{
    impl_->GetIndexTable().GetFrameNumbers(numbers);
}

bool VX2DImport::ReadFrame(std::int32_t index, CentroidSetList* centroidSets,
                           CentroidTrackSetList* trackSets, GreyscaleBlobSetList* blobSets,
                           EdgePairSetList* edgeSets)
{
    const VTargets targets{centroidSets, trackSets, blobSets, edgeSets};
    return impl_->EndRead(ReadFrameInto(index, targets));
}

bool VX2DImport::ReadFrameInto(std::int32_t index, const VTargets& targets)
{
    if (!impl_->BeginFrame(index))
        return false;
    const std::size_t cameras = GetNumberOfCameras();
    Resize(targets.centroidSets, cameras);
    Resize(targets.trackSets, cameras);
    Resize(targets.blobSets, cameras);
    Resize(targets.edgeSets, cameras);
    const bool read = ReadCameraRecords(targets);
    // The holders must not keep pointing into the caller's objects.
    PointHoldersAt(VTargets(), 0);
    if (!read || !impl_->ReadFrameInfo())
        return false;
    for (std::size_t camera = 0; camera < cameras; ++camera)
        FinishCamera(targets, camera);
    return true;
}

bool VX2DImport::ReadCameraRecords(const VTargets& targets)
{
    for (std::size_t camera = 0; camera < GetNumberOfCameras(); ++camera)
    {
        PointHoldersAt(targets, camera);
        if (!impl_->ReadCameraRecord())
            return false;
        if (GreyscaleBlobSet* blobs = EntryAt(targets.blobSets, camera))
            blobs->frameFlags = cameraFrameInfoHolder_.GetValue();
    }
    return true;
}

void VX2DImport::PointHoldersAt(const VTargets& targets, std::size_t camera)
{
    centroidHolder_.SetTarget(EntryAt(targets.centroidSets, camera));
    trackHolder_.SetTarget(EntryAt(targets.trackSets, camera));
    blobHolder_.SetTarget(EntryAt(targets.blobSets, camera));
    edgePairHolder_.SetTarget(EntryAt(targets.edgeSets, camera));
}

void VX2DImport::FinishCamera(const VTargets& targets, std::size_t camera) const
{
    const std::string name = GetCameraName(std::uint32_t(camera));
    const std::vector<CameraInfo>& infos = cameraInfoHeader_.GetCameras();
    if (CentroidSet* centroids = EntryAt(targets.centroidSets, camera))
    {
        centroids->cameraName = name;
        centroids->valid = 1;
        centroids->valueD =
            camera < infos.size() ? infos[camera].valueD : std::numeric_limits<double>::max();
    }
    if (CentroidTrackSet* tracks = EntryAt(targets.trackSets, camera))
    {
        tracks->cameraName = name;
        tracks->valid = 1;
    }
    if (GreyscaleBlobSet* blobs = EntryAt(targets.blobSets, camera))
        blobs->cameraName = name;
    if (EdgePairSet* edgePairs = EntryAt(targets.edgeSets, camera))
        edgePairs->cameraName = name;
}

bool VX2DImport::ReadFrameByNumber(std::int32_t frameNumber, CentroidSetList* centroidSets,
                                   CentroidTrackSetList* trackSets, GreyscaleBlobSetList* blobSets,
                                   EdgePairSetList* edgeSets)
{
    std::size_t index = 0;
    return impl_->GetIndexTable().FindFrameIndex(frameNumber, index) &&
           ReadFrame(std::int32_t(index), centroidSets, trackSets, blobSets, edgeSets);
}

std::string VX2DImport::GetCameraName(std::uint32_t index) const
{
    return index < cameraNames_.size() && index < GetNumberOfCameras() ? cameraNames_[index]
                                                                       : std::string();
}

const std::vector<std::string>& VX2DImport::GetErrors() const
{
    return impl_->GetErrors();
}
} // namespace X2DIO
