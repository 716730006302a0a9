#pragma once
// Test support: small recordings written by VX1DExport; the temporary folder and byte-level
// file access come from TestFiles.h.

#include "TestFiles.h"

#include "FileIO/AnalogueBlockFrame.h"
#include "FileIO/AnalogueSourceSetHeader.h"
#include "FileIO/X1DExportOptions.h"

#include <cstdint>
#include <string>
#include <vector>

struct VX1DRecording
{
    VAnalogueSourceSetHeader header;
    std::vector<std::int32_t> frameNumbers;
    std::vector<VAnalogueBlockFrame> frames;
};

// Device d has d + 1 sources and, in every frame, d + 1 blocks of which the first is empty;
// every byte depends on the frame, device and block, so mixed-up data shows.
VX1DRecording MakeRecording(std::uint32_t devices, std::uint32_t frames);
// Replaces any file at `path`.
bool WriteRecording(const std::string& path, const VX1DRecording& recording,
                    const VX1DExportOptions& options = {});

bool FramesEqual(const IAnalogueBlockFrame& left, const IAnalogueBlockFrame& right);
