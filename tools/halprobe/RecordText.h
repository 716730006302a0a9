#pragma once
// Human-readable one-line descriptions of what the probe receives, shared by the
// command-line tool and by tests that want readable failure messages. Reentrant.

#include "tools/halprobe/DataRecord.h"
#include "tools/halprobe/DeviceSurvey.h"

#include <string>

namespace HalProbe
{
// "0x02000001 (33554433)".
std::string DeviceIdText(std::uint32_t deviceId);

// The column titles matching DeviceLine().
std::string DeviceTableHeader();
std::string DeviceLine(std::uint32_t deviceId, const DeviceSummary& device);

// "type 3 sync status, device 0x02000001 (33554433), tag 7: synchronised, master".
std::string DataRecordText(const DataRecord& record);

// The first `limit` bytes as hexadecimal pairs, "..." when there are more.
std::string HexBytes(const std::vector<std::uint8_t>& bytes, std::size_t limit);
} // namespace HalProbe
