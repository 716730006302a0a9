#pragma once
// The messages both trial file readers record for a file they cannot take as it is.

namespace ReaderErrors
{
constexpr const char* kNoIndexTable = "Could not find the index table in the file.";
constexpr const char* kNoFrames = "Invalid file header (number of frames).";
constexpr const char* kBadDataOffset = "Invalid file header (data offset).";
constexpr const char* kFrameUnreadable = "Could not read frame.";
constexpr const char* kPastFile = "Corrupt file (record runs past the end of the file).";
constexpr const char* kPastRecord = "Corrupt file (field runs past the end of its record).";
constexpr const char* kTooMany = "Corrupt file (count larger than the remaining bytes).";
constexpr const char* kInvalidLength = "Corrupt file (invalid length or size).";
constexpr const char* kFileChanged = "The file was cut short or changed while it was read.";
} // namespace ReaderErrors
