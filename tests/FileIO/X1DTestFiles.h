#pragma once
// Test support: a temporary folder, small recordings written by VX1DExport, and byte-level
// access to the files, so tests can damage them on purpose.

#include "FileIO/AnalogueBlockFrame.h"
#include "FileIO/AnalogueSourceSetHeader.h"
#include "FileIO/X1DExportOptions.h"

#include <cstdint>
#include <string>
#include <vector>

// Removed with everything in it when the object goes.
class VTempDir
{
public:
    VTempDir();
    ~VTempDir();
    VTempDir(const VTempDir&) = delete;
    VTempDir& operator=(const VTempDir&) = delete;
    std::string Path(const std::string& name) const;

private:
    std::string path_;
};

struct VX1DRecording
{
    VAnalogueSourceSetHeader header;
    std::vector<std::int32_t> frameNumbers;
    std::vector<VAnalogueBlockFrame> frames;
};

// Device d has d + 1 sources and, in every frame, d + 1 blocks of which the first is empty;
// every byte depends on the frame, device and block, so mixed-up data shows.
VX1DRecording MakeRecording(std::uint32_t devices, std::uint32_t frames);
bool WriteRecording(const std::string& path, const VX1DRecording& recording,
                    const VX1DExportOptions& options = {});

bool FramesEqual(const IAnalogueBlockFrame& left, const IAnalogueBlockFrame& right);

std::vector<std::uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
// Stores `value` little-endian at `offset`.
void PatchInt32(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value);
void PatchInt64(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint64_t value);
