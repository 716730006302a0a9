#include "devices/camera/CameraTypes.h"

#include "params/ParamList.h"
#include "params/ParamObjectTypes.h"

#include <map>

namespace CameraTypes
{
namespace
{
using Table = std::map<std::string, Properties>;

// Rows: protocol, centroids, greyscale, video, sensor type, sensor width and height, fine
// threshold grid width and height, its tile width and height, packet size (0: none).
const Table& CameraTypeTable()
{
    static const Table cameraTypeTable = {
        {"LumeA", {1, true, true, false, "MV03", 659, 493, 132, 247, 5, 2, 0}},
        {"LumeAP", {1, true, true, false, "MV03", 659, 493, 132, 247, 5, 2, 0}},
        {"LumeB", {1, true, true, false, "MV13", 1280, 1024, 256, 103, 5, 10, 0}},
        {"LumeBP", {1, true, true, false, "MV13", 1280, 1024, 256, 103, 5, 10, 0}},
        {"LumeCP", {1, true, true, false, "MV20", 1600, 1280, 200, 80, 8, 16, 0}},
        {"LumeQC", {1, true, true, false, "AM20", 1600, 1280, 200, 80, 8, 16, 0}},
        {"TarnA0", {1, true, true, false, "AM10", 1120, 896, 140, 56, 8, 16, 0}},
        {"TarnA1", {1, true, true, false, "AM11", 1120, 896, 140, 56, 8, 16, 0}},
        {"TarnB1", {1, true, true, false, "AM21", 1600, 1280, 200, 80, 8, 16, 0}},
        {"LumeD", {1, true, true, false, "MV40", 2352, 1728, 294, 108, 8, 16, 0}},
        {"LumeDX", {1, true, true, false, "MV40", 2352, 1728, 294, 108, 8, 16, 0}},
        {"LumeDP", {1, true, true, false, "MV40", 2352, 1728, 294, 108, 8, 16, 0}},
        {"LumeQD", {1, true, true, false, "AM40", 2352, 1728, 294, 108, 8, 16, 0}},
        {"TarnB0", {1, true, true, false, "AM20", 1600, 1280, 200, 80, 8, 16, 0}},
        {"TarnD0", {1, true, true, false, "AM40", 2352, 1728, 294, 108, 8, 16, 0}},
        {"TarnD1", {1, true, true, false, "AM41", 2344, 1728, 294, 108, 8, 16, 0}},
        {"TarnH0", {1, true, true, false, "AM63", 4704, 3456, 294, 108, 16, 32, 0}},
        {"PELLAR_MOCAP_VGA", {2, false, true, false, "LUPA300", 640, 480, 80, 60, 8, 8, 1460}},
        {"PELLAR_VIDEO_VGA", {2, false, true, true, "LUPA300", 640, 480, 80, 60, 8, 8, 1460}},
        {"PELLAR_B_MOCAP_1MP",
         {2, false, true, false, "CMV2000", 1024, 1024, 128, 128, 8, 8, 1460}},
        {"PELLAR_B_VIDEO_1MP", {2, false, true, true, "CMV2000", 1280, 720, 160, 90, 8, 8, 1460}},
        {"PELLAR_B_VIDEO_1MP_C", {2, false, true, true, "CMV2000", 1280, 720, 160, 90, 8, 8, 1460}},
        {"PELLAR_B_VIDEO_VGA", {2, false, true, true, "CMV2000", 640, 480, 80, 60, 8, 8, 1460}},
        {"PELLAR_B_MOCAP_VGA",
         {2, false, true, false, "CMV2000", 1024, 1024, 128, 128, 8, 8, 1460}},
        {"SorrelLV", {2, true, true, false, "Sorrel L", 4096, 4096, 256, 256, 16, 16, 4096}},
        {"SorrelMV", {2, true, true, false, "Sorrel M", 3328, 2424, 208, 152, 16, 16, 4096}},
        {"SorrelSV", {2, true, true, false, "Sorrel S", 2432, 2048, 152, 128, 16, 16, 4096}},
    };
    return cameraTypeTable;
}

template <class T> void Write(IParamList& parameters, const char* name, const T& value)
{
    if (IParam* param = parameters.FindParam(VStringStd(name)))
        SetParamValue(*param, value, false);
}
} // namespace

const std::vector<std::string>& ChoiceNames()
{
    static const std::vector<std::string> names = {
        "LumeAP",
        "LumeA",
        "LumeB",
        "LumeD",
        "LumeBP",
        "LumeCP",
        "LumeDP",
        "LumeQC",
        "LumeQD",
        "TarnA0",
        "TarnA1",
        "TarnB0",
        "TarnB1",
        "TarnD0",
        "TarnD1",
        "TarnH0",
        "PELLAR_MOCAP_VGA",
        "PELLAR_VIDEO_VGA",
        "PELLAR_B_MOCAP_1MP",
        "PELLAR_B_VIDEO_1MP",
        "PELLAR_B_VIDEO_1MP_C",
        "SorrelLV",
        "SorrelMV",
        "SorrelSV",
    };
    return names;
}

const Properties& PropertiesOf(const std::string& typeName)
{
    static const Properties none;
    const Table& table = CameraTypeTable();
    const auto row = table.find(typeName);
    return row == table.end() ? none : row->second;
}

void ApplyCameraType(IParamList& parameters, const std::string& typeName)
{
    const Properties& type = PropertiesOf(typeName);
    Write(parameters, "ProtocolVersion", type.protocolVersion);
    Write(parameters, "SupportsCentroids", type.supportsCentroids);
    Write(parameters, "SupportsGreyscale", type.supportsGreyscale);
    Write(parameters, "SupportsVideo", type.supportsVideo);
    Write(parameters, "SensorType", VStringStd(type.sensorType));
    Write(parameters, "SensorWidth", type.sensorWidth);
    Write(parameters, "SensorHeight", type.sensorHeight);
    Write(parameters, "FineThresholdGridWidth", type.fineThresholdGridWidth);
    Write(parameters, "FineThresholdGridHeight", type.fineThresholdGridHeight);
    Write(parameters, "FineThresholdGridTileWidth", type.fineThresholdGridTileWidth);
    Write(parameters, "FineThresholdGridTileHeight", type.fineThresholdGridTileHeight);
    Write(parameters, "PacketSize", type.packetSize);
}

std::string GetDisplayName(const std::string& typeName)
{
    static const std::map<std::string, std::string> displayNames = {
        {"TarnA0", "LUME TA"},
        {"TarnA1", "LUME TA"},
        {"TarnB0", "LUME TB"},
        {"TarnB1", "LUME TB"},
        {"TarnD0", "LUME TD"},
        {"TarnD1", "LUME TD"},
        {"TarnH0", "LUME TH"},
        {"PELLAR_MOCAP_VGA", "Pellar (Motion Capture)"},
        {"PELLAR_VIDEO_VGA", "Pellar (Reference Video)"},
        {"PELLAR_B_MOCAP_1MP", "Pellar B (Motion Capture)"},
        {"PELLAR_B_VIDEO_1MP", "Pellar B (Reference Video)"},
        {"PELLAR_B_VIDEO_1MP_C", "Pellar B (Color Reference Video)"},
    };
    const auto entry = displayNames.find(typeName);
    return entry == displayNames.end() ? typeName : entry->second;
}

// A recorded type without text is recognised by its sensor's pixel count alone.
std::string TypeFromX2D(const std::string& recordedType, std::int32_t sensorWidth,
                        std::int32_t sensorHeight)
{
    if (recordedType == "MV03" || recordedType == "LumeA")
        return "LumeA";
    if (recordedType == "MV13" || recordedType == "LumeB")
        return "LumeB";
    if (recordedType == "MV40" || recordedType == "LumeD")
        return "LumeD";
    if (!recordedType.empty())
        return recordedType;
    switch (static_cast<std::int64_t>(sensorWidth) * sensorHeight)
    {
    case 325546:
        return "LumeA";
    case 1310720:
        return "LumeB";
    case 4036608:
        return "TarnD1";
    case 4064256:
        return "LumeD";
    default:
        return "";
    }
}

std::string SyntheticTypeName(int code)
{
    static const char* const names[] = {
        "LumeA",
        "LumeB",
        "LumeD",
        "LumeBP",
        "LumeCP",
        "LumeDP",
        "LumeQC",
        "LumeQD",
        "TarnB0",
        "TarnB1",
        "TarnD0",
        "TarnD1",
        "TarnH0",
        nullptr,
        "PELLAR_MOCAP_VGA",
        "PELLAR_VIDEO_VGA",
        "PELLAR_B_MOCAP_1MP",
        "PELLAR_B_VIDEO_1MP",
        "PELLAR_B_VIDEO_1MP_C",
        "SorrelSV",
        "SorrelMV",
        "SorrelLV",
    };
    constexpr int count = sizeof(names) / sizeof(names[0]);
    return code >= 0 && code < count && names[code] ? names[code] : "Unknown";
}

std::string SyntheticStrobeTypeName(int code)
{
    static const char* const names[] = {"No Strobe", "Visible", "Near IR", "IR"};
    return code >= 0 && code < 4 ? names[code] : "Unknown";
}
} // namespace CameraTypes
