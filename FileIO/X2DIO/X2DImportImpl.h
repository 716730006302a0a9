#pragma once
// The generic frame-file reader behind VX2DImport. It maps the file, reads the header with
// its camera data formats, the optional frame information format and the custom header
// sections, loads or rebuilds the index table, and reads frames camera record by camera
// record, handing block k of a record to the data holder of header format k. Plug-ins are
// registered by the owner and not owned; the frame information holder is made from the file.
// Every problem is recorded in the error list and logged under "X2DImport"; nothing is thrown,
// and no read leaves the file or the record that contains it. File mapping, plug-ins and errors
// come from VFrameFileReader.
//
// Thread rules: thread-bound to one reader thread at a time.

#include "FileIO/FrameFileReader.h"
#include "FileIO/RecordSchema.h"
#include "FileIO/X2DIO/DataHolderFrameInfo.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace X2DIO
{
class VX2DImportImpl : public VFrameFileReader
{
public:
    static constexpr std::int32_t kHighestVersion = 3;
    // From this version on, header and index offsets are 64-bit.
    static constexpr std::int32_t kFirstVersionWithOffsets64 = 3;

    // The file is read through at most two windows of `viewSizeMiB` MiB.
    explicit VX2DImportImpl(unsigned viewSizeMiB);
    ~VX2DImportImpl();
    VX2DImportImpl(const VX2DImportImpl&) = delete;
    VX2DImportImpl& operator=(const VX2DImportImpl&) = delete;

    // Forgets plug-ins and formats, closes the file, clears the index and zeroes all counts and
    // offsets. The error list is kept.
    void Reset();

    // Without `rebuildIndex`, a file whose index table cannot be found is refused.
    bool ReadHeader(bool rebuildIndex);
    // Positions the reader on the frame of index entry `index` and checks its marker.
    bool BeginFrame(std::int64_t index);
    // Resets the data holders and reads the next camera record of the current frame into them.
    bool ReadCameraRecord();
    // Reads the frame information record that ends the current frame; false when the file has
    // no frame information format.
    bool ReadFrameInfo();

    std::int32_t GetVersion() const { return version_; }
    std::int32_t GetCameraCount() const { return cameraCount_; }
    std::int32_t GetCurrentFrameNumber() const { return currentFrameNumber_; }
    std::int32_t GetCurrentCameraIdentifier() const { return currentCameraIdentifier_; }
    // Null when the file has no frame information format.
    const VDataHolderFrameInfo* GetFrameInfoHolder() const { return frameInfoHolder_.get(); }

private:
    bool ReadHeaderParts(bool rebuildIndex);
    bool ReadVersion();
    bool ReadCameraCount();
    bool ReadFrameInfoFormat();
    bool FindFrameInfoFormat(VDataFormatInfo& format);
    bool ReadBlock(const VDataFormatInfo& format, std::uint64_t recordEnd, bool& recordEnded);

    std::int32_t version_ = 0;
    std::int32_t cameraCount_ = 0;
    std::int32_t currentFrameNumber_ = 0;
    std::int32_t currentCameraIdentifier_ = 0;
    std::unique_ptr<VDataHolderFrameInfo> frameInfoHolder_;
};
} // namespace X2DIO
