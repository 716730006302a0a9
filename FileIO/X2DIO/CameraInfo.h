#pragma once
// What the camera information header of an X2D file says about one recorded camera. This
// program uses the sensor size, the identifier, the type name and value D; the other values
// are passed on unchanged.
//
// Thread rules: plain values.

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace X2DIO
{
struct CameraInfo
{
    // Five unsigned integers per entry of the window list.
    using Window = std::array<std::uint32_t, 5>;

    std::int32_t sensorWidth = 0;
    std::int32_t sensorHeight = 0;
    // The reader's default is the camera's position in the list.
    std::int32_t identifier = 0;
    double valueA = 1.0;
    // The reader's default is the camera's position in the list.
    std::int32_t valueB = 0;
    std::string typeName;
    std::int32_t valueC = 0;
    std::vector<Window> windows;
    // Copied into every frame's centroid set of the camera.
    double valueD = -1.0;
    // The reader replaces an empty display name by the type name.
    std::string displayName;
};

inline bool operator==(const CameraInfo& left, const CameraInfo& right)
{
    return left.sensorWidth == right.sensorWidth && left.sensorHeight == right.sensorHeight &&
           left.identifier == right.identifier && left.valueA == right.valueA &&
           left.valueB == right.valueB && left.typeName == right.typeName &&
           left.valueC == right.valueC && left.windows == right.windows &&
           left.valueD == right.valueD && left.displayName == right.displayName;
}
} // namespace X2DIO
