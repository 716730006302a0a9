#pragma once
// What the system knows about camera types: the type names a camera may take, the fixed
// table of the twelve parameters each type implies (protocol, capabilities, sensor, fine
// threshold grid, packet size), the names shown for them, the type a camera recorded in
// an X2D file takes, and the codes that synthetic cameras are created with.
//
// Thread rules: the tables are constant (built once, on first use, thread-safe);
// ApplyCameraType() writes parameters and is thread-bound to the main thread.

#include <cstdint>
#include <string>
#include <vector>

class IParamList;

namespace CameraTypes
{
// The twelve values a type implies; a type outside the table implies all-zero values.
struct Properties
{
    int protocolVersion = 0;
    bool supportsCentroids = false;
    bool supportsGreyscale = false;
    bool supportsVideo = false;
    std::string sensorType;
    int sensorWidth = 0;
    int sensorHeight = 0;
    int fineThresholdGridWidth = 0;
    int fineThresholdGridHeight = 0;
    int fineThresholdGridTileWidth = 0;
    int fineThresholdGridTileHeight = 0;
    int packetSize = 0;
};

// The type names a camera offers as the choices of "DeviceType", in order.
const std::vector<std::string>& ChoiceNames();
const char* const kDefaultType = "LumeD";

// The table row of `typeName` (exact, case-sensitive), or all-zero values.
const Properties& PropertiesOf(const std::string& typeName);

// Writes the twelve values of `typeName` to the parameters of the same names, in table
// column order, each through the ordinary change protocol.
void ApplyCameraType(IParamList& parameters, const std::string& typeName);

// The name shown for a type: its display name, or the type name itself.
std::string GetDisplayName(const std::string& typeName);

// The type a camera recorded in an X2D file takes, from its recorded type text and sensor.
std::string TypeFromX2D(const std::string& recordedType, std::int32_t sensorWidth,
                        std::int32_t sensorHeight);

// The type of synthetic camera type code `code`; "Unknown" for codes without a type.
std::string SyntheticTypeName(int code);
// The strobe type of synthetic strobe kind code `code`; "Unknown" for other codes.
std::string SyntheticStrobeTypeName(int code);
} // namespace CameraTypes
