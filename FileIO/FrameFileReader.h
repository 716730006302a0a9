#pragma once
// The part of a frame-file reader that is the same for every file kind: it maps the file, keeps
// the registered custom headers and data holders (not owned), reads the header parts both kinds
// share (the counts, the data formats, the data offset) and the index table, reads a block's
// items into its holder, positions the reader on an indexed frame, and records every problem in
// the error list and under the reader's log category. Nothing is thrown. The file kind's own
// header and frame layout live in the class built on this one.
//
// Thread rules: thread-bound to one reader thread at a time.

#include "FileIO/BoundedReader.h"
#include "FileIO/IndexTable.h"
#include "FileIO/RecordSchema.h"
#include "Utils/UtilsIO/MemoryMappedStream.h"
#include "diagnostics/Log.h"

#include <cstdint>
#include <string>
#include <vector>

class ICustomHeader;
class IDataHolder;

class VFrameFileReader
{
public:
    // The file is read through at most `maxViews` windows of `windowSizeMiB` MiB; errors are
    // logged under `logCategory`, with `logSource` as their source.
    VFrameFileReader(unsigned windowSizeMiB, unsigned maxViews, std::string logCategory,
                     const char* logSource);
    VFrameFileReader(const VFrameFileReader&) = delete;
    VFrameFileReader& operator=(const VFrameFileReader&) = delete;

    // Maps the file read-only and rewinds it.
    bool OpenFile(const std::string& path);
    void Close();
    bool IsOpen() const { return open_; }
    // Ends the read of a header or frame whose result is `read`: false, with the message
    // recorded, when the file was cut short or rewritten while it was read.
    bool EndRead(bool read);

    void RegisterCustomHeader(ICustomHeader& header);
    void RegisterDataHolder(IDataHolder& holder);

    const std::vector<std::string>& GetErrors() const { return errors_; }
    bool HasErrors() const { return !errors_.empty(); }
    void ClearErrors() { errors_.clear(); }

    // As the header gives them (the frame count as the index holds it when the index was rebuilt).
    std::int32_t GetFrameCount() const { return frameCount_; }
    std::int64_t GetIndexOffset() const { return indexOffset_; }
    std::int64_t GetDataOffset() const { return dataOffset_; }
    const std::vector<VDataFormatInfo>& GetFormats() const { return formats_; }
    const VIndexTable& GetIndexTable() const { return index_; }
    // The markers of the custom header sections, in file order.
    const std::vector<VSectionMarker>& GetSectionMarkers() const { return sectionMarkers_; }

protected:
    // Only the reader of a file kind owns and destroys this part.
    ~VFrameFileReader();

    // Closes the file, forgets the plug-ins, the header, the section markers and the current
    // frame, and empties the index (64-bit offsets until told otherwise). The error list is kept.
    void ResetReader();

    VBoundedReader& Reader() { return reader_; }
    std::uint64_t GetFileSize() const { return stream_.GetSize(); }
    const std::vector<IDataHolder*>& GetDataHolders() const { return dataHolders_; }
    ICustomHeader* FindCustomHeader(std::int16_t identifier) const;
    IDataHolder* FindDataHolder(std::int16_t formatIdentifier) const;

    VIndexTable& Index() { return index_; }

    // The header parts that follow the version. ReadCounts() reads the count of devices or
    // cameras, `itemName` in its error text, then the frame count, and hands back the marker of
    // the section after them. ReadFormats() reads the data formats. ReadOffsets() reads the index
    // table and data offset sections, `offsets64` wide, and checks the data offset lies in the
    // file.
    bool ReadCounts(const std::string& itemName, std::int32_t& itemCount, VSectionMarker& next);
    bool ReadFormats();
    bool ReadOffsets(bool offsets64);
    // Reads the custom header sections from the position up to the data offset, remembering
    // every marker. A registered header reads its contents and the scan goes on from wherever it
    // stopped: the section's length does not bind it. Other sections are passed by their length.
    bool ScanCustomHeaders();
    // Reads the index table at the header's index offset. When there is none, the error is
    // recorded and, if `rebuildIndex`, the index is rebuilt from the frame markers after the data
    // offset (the frame count follows it); otherwise the file is refused.
    bool LoadIndex(bool rebuildIndex);

    // Reads items into `holder` up to the reader's limit.
    bool ReadItems(IDataHolder& holder, const VDataFormatInfo& format);

    // Positions the reader just past the marker of the frame of index entry `entryIndex`, checks
    // that marker and that the frame lies in the file, and hands the marker back.
    bool BeginIndexedFrame(std::int64_t entryIndex, VRecordMarker& marker);
    std::uint64_t GetFrameEnd() const { return frameEnd_; }

    // Both return false, so failures can end a read in one statement.
    bool RecordError(const std::string& text);
    bool RecordReadFailure();

private:
    bool ReadOffsetSection(bool offsets64, std::int64_t& offset);
    bool ReadCustomHeaderSection(const VSectionMarker& marker);
    Qelt::ILogCategorised::ICategory& LogCategory();

    UtilsIO::VMemoryMappedFileReadOnly stream_;
    VBoundedReader reader_;
    bool open_ = false;
    std::int32_t frameCount_ = 0;
    std::int64_t indexOffset_ = 0;
    std::int64_t dataOffset_ = 0;
    std::vector<VDataFormatInfo> formats_;
    std::vector<VSectionMarker> sectionMarkers_;
    VIndexTable index_;
    std::uint64_t frameEnd_ = 0;
    std::vector<ICustomHeader*> customHeaders_;
    std::vector<IDataHolder*> dataHolders_;
    std::vector<std::string> errors_;
    std::string logCategoryName_;
    const char* logSource_;
    Qelt::ILogCategorised::ICategory* logCategory_ = nullptr;
};
