#pragma once
// Reads recorded analogue data from an X1D file: the recorded devices (source sets) and, per
// frame, one block set per device. Owns the reader implementation and the plug-ins it
// registers: the analogue source set header and the analogue block data holder.
//
// Thread rules: thread-bound to one reader thread at a time.

#include "FileIO/AnalogueBlockDataHolder.h"
#include "FileIO/AnalogueBlockFrame.h"
#include "FileIO/AnalogueSourceSetHeader.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class VX1DImportImpl;

class VX1DImport
{
public:
    VX1DImport();
    ~VX1DImport();
    VX1DImport(const VX1DImport&) = delete;
    VX1DImport& operator=(const VX1DImport&) = delete;

    // `path` is UTF-8. False when the file cannot be mapped or its header is unusable; the
    // reasons are in GetErrors().
    bool Open(const std::string& path);
    void Close();
    bool IsOpen() const;

    std::uint32_t GetNumberOfDevices() const;
    std::int32_t GetNumberOfFrames() const;
    // first = 0, last = the number of frames.
    void GetFrameRange(std::int32_t& first, std::int32_t& last) const;
    // Copies the clock and the source sets.
    void GetAnalogueSourceSetHeader(VAnalogueSourceSetHeader& header) const;
    void GetFrameNumbers(std::vector<std::int32_t>& numbers) const;
    // Reads the frame of index entry `index`; on failure the sets already read stay filled.
    bool ReadFrame(std::int32_t index, IAnalogueBlockFrame& frame);
    bool ReadFrameByNumber(std::int32_t frameNumber, IAnalogueBlockFrame& frame);
    // 0 when `index` is out of range.
    std::int32_t GetFrameNumber(std::int32_t index) const;
    bool FindFrameIndex(std::int32_t frameNumber, std::int32_t& index) const;

    const std::vector<std::string>& GetErrors() const;
    const VX1DImportImpl& GetImpl() const { return *impl_; }

private:
    bool ReadFrameInto(std::int32_t index, IAnalogueBlockFrame& frame);
    bool ReadSubFrames(IAnalogueBlockFrame& target);

    std::unique_ptr<VX1DImportImpl> impl_;
    VAnalogueSourceSetHeader sourceSetHeader_;
    VAnalogueBlockDataHolder blockHolder_;
    // Filled instead of a caller's frame that offers no direct access to its sets.
    VAnalogueBlockFrame spareFrame_;
};
