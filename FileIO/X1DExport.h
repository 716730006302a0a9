#pragma once
// Writes an X1D file: the header with the data formats and the analogue source set header,
// then the frames as they are given, then the index table; Close() patches the index table
// offset and the frame count into the header.
//
// Thread rules: thread-bound to one writer thread.

#include "FileIO/AnalogueBlockDataHolder.h"
#include "FileIO/FrameFileWriter.h"
#include "FileIO/X1DExportOptions.h"

#include <cstdint>
#include <string>

class IAnalogueBlockFrame;

class VX1DExport : private VFrameFileWriter
{
public:
    explicit VX1DExport(VX1DExportOptions options = {});
    // Closes an open file.
    ~VX1DExport();

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

    VX1DExportOptions options_;
    VAnalogueBlockDataHolder blockHolder_;
    std::uint32_t deviceCount_ = 0;
};
