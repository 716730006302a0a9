#pragma once
// Small text pieces shared by the reports of both file kinds. Reentrant.

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace TrialTool
{
// How many bytes of a block a frame dump shows.
constexpr std::size_t kDumpedBytes = 16;
// What a report says of a frame that failed without a message from the reader.
constexpr const char* kNoReason = "the reader gave no reason";

// "00 1f a0", at most `limit` bytes, with " ..." when there are more.
std::string HexBytes(const std::uint8_t* data, std::size_t size, std::size_t limit);
// `value` with `decimals` digits after the point.
std::string FormatNumber(double value, int decimals);
// "reader errors: none", or the heading and one indented line per error.
void PrintReaderErrors(const std::vector<std::string>& errors, std::ostream& out);
// Says that no frame of `numbers` is numbered `frameNumber`; empty when one is.
std::string DescribeMissingFrame(std::int32_t frameNumber,
                                 const std::vector<std::int32_t>& numbers);
// "frames: N" and "frame range: FIRST to LAST" (or "frame range: none").
void PrintFrameRange(std::int64_t count, std::int32_t first, std::int32_t last, std::ostream& out);
} // namespace TrialTool
