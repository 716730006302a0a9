#pragma once
// The generic frame-file reader behind VX1DImport: it maps the file, reads the header with its
// data formats and custom header sections, loads or rebuilds the index table and reads frames
// sub-frame by sub-frame, handing each block to the data holder registered for its format.
// Plug-ins are registered by the owner and not owned. Every problem is recorded in the error
// list; nothing is thrown, and no read leaves the file or the record that contains it.
//
// Thread rules: thread-bound to one reader thread at a time.

#include "FileIO/BoundedReader.h"
#include "FileIO/IndexTable.h"
#include "FileIO/RecordSchema.h"
#include "Utils/UtilsIO/MemoryMappedStream.h"

#include <cstdint>
#include <string>
#include <vector>

class ICustomHeader;
class IDataHolder;

class VX1DImportImpl
{
public:
    static constexpr std::int32_t kHighestVersion = 2;

    VX1DImportImpl();
    ~VX1DImportImpl();
    VX1DImportImpl(const VX1DImportImpl&) = delete;
    VX1DImportImpl& operator=(const VX1DImportImpl&) = delete;

    // Maps the file read-only and rewinds it.
    bool OpenFile(const std::string& path);
    void Close();
    bool IsOpen() const { return open_; }
    // Forgets plug-ins and formats, closes the file, clears the index and zeroes all counts and
    // offsets. The error list is kept.
    void Reset();

    void RegisterCustomHeader(ICustomHeader& header);
    void RegisterDataHolder(IDataHolder& holder);

    bool ReadHeader();
    // Positions the reader on the frame of index entry `index` and checks its marker.
    bool BeginFrame(std::int64_t index);
    // Reads the next sub-frame of the current frame into the data holders.
    bool ReadSubFrame();

    std::int32_t GetVersion() const { return version_; }
    std::int32_t GetDeviceCount() const { return deviceCount_; }
    std::int32_t GetFrameCount() const { return frameCount_; }
    std::int32_t GetCurrentFrameNumber() const { return currentFrameNumber_; }
    std::int64_t GetHeaderValue() const { return headerValue_; }
    const std::vector<VDataFormatInfo>& GetFormats() const { return formats_; }
    const std::vector<VSectionMarker>& GetSectionMarkers() const { return sectionMarkers_; }
    const VIndexTable& GetIndexTable() const { return index_; }

    const std::vector<std::string>& GetErrors() const { return errors_; }
    bool HasErrors() const { return !errors_.empty(); }
    void ClearErrors() { errors_.clear(); }

private:
    bool ReadVersion();
    bool ReadCounts();
    bool ReadFormats();
    bool ReadOffsets();
    bool ScanCustomHeaders();
    bool ReadCustomHeaderSection(const VSectionMarker& marker);
    bool LoadIndex();
    bool ReadBlock(const VDataFormatInfo& format);
    bool ReadItems(IDataHolder& holder, const VDataFormatInfo& format);
    bool CheckFrameHoldsSubFrames(std::int32_t frameLength);
    ICustomHeader* FindCustomHeader(std::int16_t identifier) const;
    IDataHolder* FindDataHolder(std::int16_t formatIdentifier) const;

    // Both return false, so failures can end a read in one statement.
    bool RecordError(const std::string& text);
    bool RecordReadFailure();

    UtilsIO::VMemoryMappedFileReadOnly stream_;
    VBoundedReader reader_;
    bool open_ = false;
    std::int32_t version_ = 0;
    std::int32_t deviceCount_ = 0;
    std::int32_t frameCount_ = 0;
    std::int32_t currentFrameNumber_ = 0;
    std::int32_t currentSubFrameValue_ = 0;
    std::int64_t indexOffset_ = 0;
    std::int64_t dataOffset_ = 0;
    std::int64_t headerValue_ = 0;
    std::uint64_t frameEnd_ = 0;
    std::vector<VDataFormatInfo> formats_;
    std::vector<VSectionMarker> sectionMarkers_;
    std::vector<ICustomHeader*> customHeaders_;
    std::vector<IDataHolder*> dataHolders_;
    VIndexTable index_;
    std::vector<std::string> errors_;
};
