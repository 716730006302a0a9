#pragma once
// Writes an X2D file: the header with the camera data formats, the frame information format,
// the camera information and start timecode headers, then the frames as they are given, then
// the index table; Close() patches the index table offset and the frame count into the header.
//
// Thread rules: thread-bound to one writer thread.

#include "FileIO/ByteWriter.h"
#include "FileIO/FramePlugins.h"
#include "FileIO/IndexTable.h"
#include "FileIO/X2DIO/DataHolderCameraFrameInfo.h"
#include "FileIO/X2DIO/DataHolderCentroidSet.h"
#include "FileIO/X2DIO/DataHolderCentroidTrackSet.h"
#include "FileIO/X2DIO/DataHolderEdgePairSet.h"
#include "FileIO/X2DIO/DataHolderFrameInfo.h"
#include "FileIO/X2DIO/DataHolderGreyscaleBlobSet.h"
#include "FileIO/X2DIO/X2DExportData.h"
#include "FileIO/X2DIO/X2DExportOptions.h"
#include "Utils/UtilsIO/OutputFileStream64.h"

#include <array>
#include <cstdint>
#include <string>

namespace X2DIO
{
class VX2DExport
{
public:
    explicit VX2DExport(VX2DExportOptions options = {});
    // Closes an open file.
    ~VX2DExport();
    VX2DExport(const VX2DExport&) = delete;
    VX2DExport& operator=(const VX2DExport&) = delete;

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
    void EncodeCustomSection(const ICustomHeader& header);
    // Writes an offset section holding -1 and gives the position of the offset.
    std::size_t PutOffsetSection(std::int16_t tag);
    std::size_t OffsetSize() const;
    void PutOffset(VByteWriter& writer, std::int64_t offset) const;
    void PatchOffset(VByteWriter& writer, std::size_t position, std::int64_t offset) const;
    void EncodeFrame(const VX2DFrame& frame);
    void EncodeCameraRecord(const VX2DCameraFrame& camera, std::size_t index);
    std::size_t EncodeBlock(const IDataHolder& holder);
    void SetSources(const VX2DCameraFrame* camera);
    bool WriteIndexTable();
    bool PatchHeader(std::uint64_t position, const VByteWriter& value);
    bool WriteBuffer();

    VX2DExportOptions options_;
    UtilsIO::ofstream64 file_;
    VDataHolderCentroidSet centroidHolder_;
    VDataHolderCentroidTrackSet trackHolder_;
    VDataHolderGreyscaleBlobSet blobHolder_;
    VDataHolderEdgePairSet edgePairHolder_;
    VDataHolderCameraFrameInfo cameraFrameInfoHolder_;
    VDataHolderFrameInfo frameInfoHolder_;
    // The blocks of every camera record, in order.
    const std::array<const IDataHolder*, 5> blockHolders_;
    VIndexTable index_;
    VByteWriter buffer_;
    bool open_ = false;
    std::vector<std::int32_t> cameraIdentifiers_;
    std::uint64_t frameCountPosition_ = 0;
    std::uint64_t indexOffsetPosition_ = 0;
};
} // namespace X2DIO
