#pragma once
// Writes an X2D file: the header with the camera data formats, the frame information format,
// the camera information and start timecode headers, then the frames as they are given, then
// the index table; Close() patches the index table offset and the frame count into the header.
//
// Thread rules: thread-bound to one writer thread.

#include "FileIO/FrameFileWriter.h"
#include "FileIO/FramePlugins.h"
#include "FileIO/X2DIO/DataHolderCameraFrameInfo.h"
#include "FileIO/X2DIO/DataHolderCentroidSet.h"
#include "FileIO/X2DIO/DataHolderCentroidTrackSet.h"
#include "FileIO/X2DIO/DataHolderEdgePairSet.h"
#include "FileIO/X2DIO/DataHolderFrameInfo.h"
#include "FileIO/X2DIO/DataHolderGreyscaleBlobSet.h"
#include "FileIO/X2DIO/X2DExportData.h"
#include "FileIO/X2DIO/X2DExportOptions.h"

#include <array>
#include <cstdint>
#include <string>

namespace X2DIO
{
class VX2DExport : private VFrameFileWriter
{
public:
    explicit VX2DExport(VX2DExportOptions options = {});
    // Closes an open file.
    ~VX2DExport();

    // Creates the file and writes its header. The centroid scales suit the largest sensor.
    bool Open(const std::string& path, const VX2DHeaderDescription& header);
    // `frame` must hold one camera frame per camera of the header.
    bool WriteFrame(const VX2DFrame& frame);
    // Writes the index table, completes the header and closes the file.
    bool Close();

private:
    VDataFormatInfo Adapt(VDataFormatInfo format) const;
    void EncodeHeader(const VX2DHeaderDescription& header);
    void EncodeFormats();
    void EncodeCustomSections(const VX2DHeaderDescription& header);
    void EncodeCameraInfo(const VX2DHeaderDescription& header);
    void EncodeFrame(const VX2DFrame& frame);
    void EncodeCameraRecord(const VX2DCameraFrame& camera, std::size_t index);
    std::size_t EncodeBlock(const IDataHolder& holder);
    void SetSources(const VX2DCameraFrame* camera);

    VX2DExportOptions options_;
    VDataHolderCentroidSet centroidHolder_;
    VDataHolderCentroidTrackSet trackHolder_;
    VDataHolderGreyscaleBlobSet blobHolder_;
    VDataHolderEdgePairSet edgePairHolder_;
    VDataHolderCameraFrameInfo cameraFrameInfoHolder_;
    VDataHolderFrameInfo frameInfoHolder_;
    // The blocks of every camera record, in order.
    const std::array<const IDataHolder*, 5> blockHolders_;
    std::vector<std::int32_t> cameraIdentifiers_;
};
} // namespace X2DIO
