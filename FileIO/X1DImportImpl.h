#pragma once
// The generic frame-file reader behind VX1DImport: it maps the file, reads the header with its
// data formats and custom header sections, loads or rebuilds the index table and reads frames
// sub-frame by sub-frame, handing each block to the data holder registered for its format.
// Plug-ins are registered by the owner and not owned. Every problem is recorded in the error
// list and logged under "X1DImport"; nothing is thrown, and no read leaves the file or the
// record that contains it. File mapping, plug-ins and errors come from VFrameFileReader.
//
// Thread rules: thread-bound to one reader thread at a time.

#include "FileIO/FrameFileReader.h"
#include "FileIO/RecordSchema.h"

#include <cstdint>
#include <string>
#include <vector>

class VX1DImportImpl : public VFrameFileReader
{
public:
    static constexpr std::int32_t kHighestVersion = 2;

    VX1DImportImpl();
    ~VX1DImportImpl();
    VX1DImportImpl(const VX1DImportImpl&) = delete;
    VX1DImportImpl& operator=(const VX1DImportImpl&) = delete;

    // Forgets plug-ins and formats, closes the file, clears the index and zeroes all counts and
    // offsets. The error list is kept.
    void Reset();

    bool ReadHeader();
    // Positions the reader on the frame of index entry `index` and checks its marker.
    bool BeginFrame(std::int64_t index);
    // Reads the next sub-frame of the current frame into the data holders.
    bool ReadSubFrame();

    std::int32_t GetVersion() const { return version_; }
    std::int32_t GetDeviceCount() const { return deviceCount_; }
    std::int32_t GetCurrentFrameNumber() const { return currentFrameNumber_; }
    std::int64_t GetHeaderValue() const { return headerValue_; }

private:
    bool ReadHeaderParts();
    bool ReadVersion();
    // The counts, then the optional header value section.
    bool ReadCountsAndHeaderValue();
    bool ReadBlock(const VDataFormatInfo& format);
    bool CheckFrameHoldsSubFrames(std::int32_t frameLength);

    std::int32_t version_ = 0;
    std::int32_t deviceCount_ = 0;
    std::int32_t currentFrameNumber_ = 0;
    std::int32_t currentSubFrameValue_ = 0;
    std::int64_t headerValue_ = 0;
};
