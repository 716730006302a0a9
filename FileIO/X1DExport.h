#pragma once
// Writes an X1D file: the header with the data formats and the analogue source set header,
// then the frames as they are given, then the index table; Close() patches the index table
// offset and the frame count into the header.
//
// Thread rules: thread-bound to one writer thread.

#include "FileIO/AnalogueBlockDataHolder.h"
#include "FileIO/ByteWriter.h"
#include "FileIO/IndexTable.h"
#include "FileIO/X1DExportOptions.h"
#include "Utils/UtilsIO/OutputFileStream64.h"

#include <cstdint>
#include <string>

class IAnalogueBlockFrame;

class VX1DExport
{
public:
    explicit VX1DExport(VX1DExportOptions options = {});
    // Closes an open file.
    ~VX1DExport();
    VX1DExport(const VX1DExport&) = delete;
    VX1DExport& operator=(const VX1DExport&) = delete;

    // Creates the file and writes its header; there is one device per source set of `header`.
    bool Open(const std::string& path, const VAnalogueSourceSetHeader& header);
    // `frame` must hold one block set per device.
    bool WriteFrame(std::int32_t frameNumber, const IAnalogueBlockFrame& frame);
    // Writes the index table, completes the header and closes the file.
    bool Close();

private:
    void EncodeHeader(const VAnalogueSourceSetHeader& header);
    void EncodeCustomSections(const VAnalogueSourceSetHeader& header);
    void EncodeFrame(std::int32_t frameNumber, const IAnalogueBlockFrame& frame);
    bool WriteIndexTable();
    bool PatchHeader(std::uint64_t position, const VByteWriter& value);
    bool WriteBuffer();

    VX1DExportOptions options_;
    UtilsIO::ofstream64 file_;
    VAnalogueBlockDataHolder blockHolder_;
    VIndexTable index_;
    VByteWriter buffer_;
    bool open_ = false;
    std::uint32_t deviceCount_ = 0;
    std::uint64_t frameCountPosition_ = 0;
    std::uint64_t indexOffsetPosition_ = 0;
};
