#pragma once
// The part of a frame-file reader that is the same for every file kind: it maps the file, keeps
// the registered custom headers and data holders (not owned), reads a block's items into its
// holder, positions the reader on an indexed frame, and records every problem in the error list
// and under the reader's log category. Nothing is thrown. The file kind's own header and frame
// layout live in the class built on this one.
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
    // logged under `logCategory`.
    VFrameFileReader(unsigned windowSizeMiB, unsigned maxViews, std::string logCategory);
    VFrameFileReader(const VFrameFileReader&) = delete;
    VFrameFileReader& operator=(const VFrameFileReader&) = delete;

    // Maps the file read-only and rewinds it.
    bool OpenFile(const std::string& path);
    void Close();
    bool IsOpen() const { return open_; }

    void RegisterCustomHeader(ICustomHeader& header);
    void RegisterDataHolder(IDataHolder& holder);

    const std::vector<std::string>& GetErrors() const { return errors_; }
    bool HasErrors() const { return !errors_.empty(); }
    void ClearErrors() { errors_.clear(); }

protected:
    // Only the reader of a file kind owns and destroys this part.
    ~VFrameFileReader();

    // Closes the file, forgets the plug-ins and the current frame. The error list is kept.
    void ResetReader();

    VBoundedReader& Reader() { return reader_; }
    std::uint64_t GetFileSize() const { return stream_.GetSize(); }
    const std::vector<IDataHolder*>& GetDataHolders() const { return dataHolders_; }
    ICustomHeader* FindCustomHeader(std::int16_t identifier) const;
    IDataHolder* FindDataHolder(std::int16_t formatIdentifier) const;

    // Reads items into `holder` up to the reader's limit.
    bool ReadItems(IDataHolder& holder, const VDataFormatInfo& format);

    // Positions the reader just past the marker of the frame of index entry `entryIndex`, checks
    // that marker and that the frame lies in the file, and hands the marker back.
    bool BeginIndexedFrame(const VIndexTable& index, std::int64_t entryIndex,
                           VRecordMarker& marker);
    std::uint64_t GetFrameEnd() const { return frameEnd_; }

    // Both return false, so failures can end a read in one statement.
    bool RecordError(const std::string& text);
    bool RecordReadFailure();

private:
    Qelt::ILogCategorised::ICategory& LogCategory();

    UtilsIO::VMemoryMappedFileReadOnly stream_;
    VBoundedReader reader_;
    bool open_ = false;
    std::uint64_t frameEnd_ = 0;
    std::vector<ICustomHeader*> customHeaders_;
    std::vector<IDataHolder*> dataHolders_;
    std::vector<std::string> errors_;
    std::string logCategoryName_;
    Qelt::ILogCategorised::ICategory* logCategory_ = nullptr;
};
