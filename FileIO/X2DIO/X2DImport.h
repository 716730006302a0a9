#pragma once
// Reads recorded camera data from an X2D file: the recorded cameras, the camera frame rate, the
// start timecode and, per frame, each camera's centroids, centroid tracks, greyscale blobs and
// edge pairs. Owns the reader implementation and the plug-ins it registers: the camera
// information and start timecode headers and one data holder per kind of camera item.
//
// Thread rules: thread-bound to one reader thread at a time (the device manager's thread while
// opening, then the file's read-ahead thread).

#include "FileIO/X2DIO/CameraFrameData.h"
#include "FileIO/X2DIO/CameraInfoHeader.h"
#include "FileIO/X2DIO/DataHolderCameraFrameInfo.h"
#include "FileIO/X2DIO/DataHolderCentroidSet.h"
#include "FileIO/X2DIO/DataHolderCentroidTrackSet.h"
#include "FileIO/X2DIO/DataHolderEdgePairSet.h"
#include "FileIO/X2DIO/DataHolderGreyscaleBlobSet.h"
#include "FileIO/X2DIO/StartTimecodeHeader.h"
#include "FileIO/X2DIO/Timecode.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace X2DIO
{
class VX2DImportImpl;

class VX2DImport
{
public:
    static constexpr unsigned kDefaultViewSizeMiB = 64;

    // The file is mapped in windows of `viewSizeMiB` MiB, at most two at a time.
    explicit VX2DImport(unsigned viewSizeMiB = kDefaultViewSizeMiB);
    ~VX2DImport();
    VX2DImport(const VX2DImport&) = delete;
    VX2DImport& operator=(const VX2DImport&) = delete;

    // False when the file cannot be mapped or its header is unusable; the reasons are in
    // GetErrors(). With `rebuildIndex`, a missing index table is rebuilt from the frames.
    bool Open(const std::string& path, bool rebuildIndex);
    void Close();
    bool IsOpen() const;

    std::uint32_t GetNumberOfCameras() const;
    std::int32_t GetNumberOfFrames() const;
    // The frame numbers of the first and last index entries; (1, 0) without frames.
    void GetFrameRange(std::int32_t& first, std::int32_t& last) const;
    // Ticks of 135 MHz per camera frame; 0 when the file gives no usable frame rate.
    std::uint64_t GetFramePeriod() const;
    void GetCameraInfos(std::vector<CameraInfo>& infos) const;
    // True when the file holds a valid start timecode.
    bool GetStartTimecode(Timecode& timecode) const;
    void GetFrameNumbers(std::vector<std::int32_t>& numbers) const;

    // Reads the frame of index entry `index`. Each list may be null; a list is resized to the
    // camera count and entry i, unless empty, receives camera record i. On failure the entries
    // of the cameras already read stay filled. A file without frame information reports
    // failure after filling the camera data.
    bool ReadFrame(std::int32_t index, CentroidSetList* centroidSets,
                   CentroidTrackSetList* trackSets, GreyscaleBlobSetList* blobSets,
                   EdgePairSetList* edgeSets);
    // Reads the first index entry with `frameNumber`; false when there is none.
    bool ReadFrameByNumber(std::int32_t frameNumber, CentroidSetList* centroidSets,
                           CentroidTrackSetList* trackSets, GreyscaleBlobSetList* blobSets,
                           EdgePairSetList* edgeSets);
    // "dv:" or "lume:" and the decimal camera identifier; empty for cameras the camera
    // information header does not describe.
    std::string GetCameraName(std::uint32_t index) const;

    const std::vector<std::string>& GetErrors() const;
    const VX2DImportImpl& GetImpl() const { return *impl_; }

private:
    struct VTargets
    {
        CentroidSetList* centroidSets = nullptr;
        CentroidTrackSetList* trackSets = nullptr;
        GreyscaleBlobSetList* blobSets = nullptr;
        EdgePairSetList* edgeSets = nullptr;
    };

    void RegisterPlugins();
    bool ReadFrameInto(std::int32_t index, const VTargets& targets);
    void BuildCameraNames();
    bool ReadCameraRecords(const VTargets& targets);
    void PointHoldersAt(const VTargets& targets, std::size_t camera);
    void FinishCamera(const VTargets& targets, std::size_t camera) const;

    std::unique_ptr<VX2DImportImpl> impl_;
    VCameraInfoHeader cameraInfoHeader_;
    VStartTimecodeHeader startTimecodeHeader_;
    VDataHolderCentroidSet centroidHolder_;
    VDataHolderCentroidTrackSet trackHolder_;
    VDataHolderGreyscaleBlobSet blobHolder_;
    VDataHolderCameraFrameInfo cameraFrameInfoHolder_;
    VDataHolderEdgePairSet edgePairHolder_;
    std::vector<std::string> cameraNames_;
};
} // namespace X2DIO
