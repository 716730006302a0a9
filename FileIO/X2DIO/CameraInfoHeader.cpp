#include "FileIO/X2DIO/CameraInfoHeader.h"

#include "FileIO/BoundedReader.h"
#include "FileIO/ByteWriter.h"
#include "FileIO/X2DIO/ValueCodec.h"

#include <sstream>
#include <utility>

namespace X2DIO
{
namespace
{
constexpr std::int16_t kFrameRateKey = std::int16_t(0xAA05);
constexpr std::int16_t kCameraListKey = std::int16_t(0xAA06);
constexpr std::int16_t kSensorWidthKey = std::int16_t(0xAA00);
constexpr std::int16_t kSensorHeightKey = std::int16_t(0xAA01);
constexpr std::int16_t kIdentifierKey = std::int16_t(0xAA02);
constexpr std::int16_t kValueAKey = std::int16_t(0xAA03);
constexpr std::int16_t kValueBKey = std::int16_t(0xAA07);
constexpr std::int16_t kTypeNameKey = std::int16_t(0xAA08);
constexpr std::int16_t kValueCKey = std::int16_t(0xAA09);
constexpr std::int16_t kWindowsKey = std::int16_t(0xAA10);
constexpr std::int16_t kValueDKey = std::int16_t(0xAA11);
constexpr std::int16_t kDisplayNameKey = std::int16_t(0xAA12);
constexpr std::int32_t kVariable = VFieldDescriptor::kVariableSize;

// The window list is text: a count, then five unsigned integers per window. Reading stops at
// the first incomplete window.
std::vector<CameraInfo::Window> ParseWindows(const std::string& text)
{
    std::istringstream in(text);
    std::uint64_t count = 0;
    in >> count;
    std::vector<CameraInfo::Window> windows;
    for (std::uint64_t index = 0; index < count; ++index)
    {
        CameraInfo::Window window{};
        for (std::uint32_t& value : window)
            in >> value;
        if (!in)
            break;
        windows.push_back(window);
    }
    return windows;
}

std::string FormatWindows(const std::vector<CameraInfo::Window>& windows)
{
    std::ostringstream out;
    out << windows.size();
    for (const CameraInfo::Window& window : windows)
        for (const std::uint32_t value : window)
            out << ' ' << value;
    return out.str();
}

bool ReadWindows(VBoundedReader& reader, std::vector<CameraInfo::Window>& windows)
{
    std::string text;
    if (!RecordSchema::ReadStringField(reader, text))
        return false;
    windows = ParseWindows(text);
    return true;
}

bool ReadCameraField(VBoundedReader& reader, const VFieldDescriptor& field, CameraInfo& camera)
{
    switch (field.key)
    {
    case kSensorWidthKey:
        return reader.ReadInt32(camera.sensorWidth);
    case kSensorHeightKey:
        return reader.ReadInt32(camera.sensorHeight);
    case kIdentifierKey:
        return reader.ReadInt32(camera.identifier);
    case kValueAKey:
        return ValueCodec::ReadDouble(reader, camera.valueA);
    case kValueBKey:
        return reader.ReadInt32(camera.valueB);
    case kTypeNameKey:
        return RecordSchema::ReadStringField(reader, camera.typeName);
    case kValueCKey:
        return reader.ReadInt32(camera.valueC);
    case kWindowsKey:
        return ReadWindows(reader, camera.windows);
    case kValueDKey:
        return ValueCodec::ReadDouble(reader, camera.valueD);
    case kDisplayNameKey:
        return RecordSchema::ReadStringField(reader, camera.displayName);
    default:
        return RecordSchema::SkipField(reader, field);
    }
}

void PutCameraField(VByteWriter& writer, const VFieldDescriptor& field, const CameraInfo& camera)
{
    switch (field.key)
    {
    case kSensorWidthKey:
        return writer.PutInt32(camera.sensorWidth);
    case kSensorHeightKey:
        return writer.PutInt32(camera.sensorHeight);
    case kIdentifierKey:
        return writer.PutInt32(camera.identifier);
    case kValueAKey:
        return ValueCodec::PutDouble(writer, camera.valueA);
    case kValueBKey:
        return writer.PutInt32(camera.valueB);
    case kTypeNameKey:
        return RecordSchema::WriteStringField(writer, camera.typeName);
    case kValueCKey:
        return writer.PutInt32(camera.valueC);
    case kWindowsKey:
        return RecordSchema::WriteStringField(writer, FormatWindows(camera.windows));
    case kValueDKey:
        return ValueCodec::PutDouble(writer, camera.valueD);
    case kDisplayNameKey:
        return RecordSchema::WriteStringField(writer, camera.displayName);
    default:
        return RecordSchema::WriteFillerField(writer, field);
    }
}

bool ReadCamera(VBoundedReader& reader, const VDataFormatInfo& format, std::int32_t position,
                CameraInfo& camera)
{
    camera.identifier = position;
    camera.valueB = position;
    for (const VFieldDescriptor& field : format.fields)
        if (!ReadCameraField(reader, field, camera))
            return false;
    if (camera.displayName.empty())
        camera.displayName = camera.typeName;
    return true;
}
} // namespace

VCameraInfoFormats VCameraInfoFormats::Default()
{
    VCameraInfoFormats formats;
    formats.header = {std::int16_t(0xCFAB),
                      {{kFrameRateKey, 8, {}}, {kCameraListKey, kVariable, {}}}};
    formats.camera = {std::int16_t(0xCFAA),
                      {{kSensorWidthKey, 4, {}},
                       {kSensorHeightKey, 4, {}},
                       {kIdentifierKey, 4, {}},
                       {kValueAKey, 8, {}},
                       {kValueBKey, 4, {}},
                       {kTypeNameKey, kVariable, {}},
                       {kValueCKey, 4, {}},
                       {kWindowsKey, kVariable, {}},
                       {kValueDKey, 8, {}},
                       {kDisplayNameKey, kVariable, {}}}};
    return formats;
}

VCameraInfoHeader::VCameraInfoHeader(VCameraInfoFormats formats) : formats_(std::move(formats)) {}

bool VCameraInfoHeader::Read(VBoundedReader& reader)
{
    frameRate_ = 0.0;
    cameras_.clear();
    VDataFormatInfo format;
    if (!RecordSchema::ReadFormatInfo(reader, format))
        return false;
    for (const VFieldDescriptor& field : format.fields)
    {
        bool read = false;
        if (field.key == kFrameRateKey)
            read = ValueCodec::ReadDouble(reader, frameRate_);
        else if (field.key == kCameraListKey)
            read = ReadCameraList(reader);
        else
            read = RecordSchema::SkipField(reader, field);
        if (!read)
            return false;
    }
    return true;
}

bool VCameraInfoHeader::ReadCameraList(VBoundedReader& reader)
{
    // The list is a record of its own: its count must fit in it, so a count cannot claim the
    // bytes of the header that follows.
    return RecordSchema::ReadVariableField(reader,
                                           [this](VBoundedReader& in) { return ReadCameras(in); });
}

bool VCameraInfoHeader::ReadCameras(VBoundedReader& reader)
{
    VDataFormatInfo format;
    std::uint32_t count = 0;
    if (!RecordSchema::ReadFormatInfo(reader, format) || !reader.ReadUInt32(count) ||
        !reader.CountFits(count, format.GetMinimumItemSize()))
        return false;
    // Cameras are kept as they are read, never made ahead from the count.
    std::vector<CameraInfo> cameras;
    for (std::uint32_t position = 0; position < count; ++position)
    {
        CameraInfo camera;
        if (!ReadCamera(reader, format, std::int32_t(position), camera))
            return false;
        cameras.push_back(std::move(camera));
    }
    cameras_ = std::move(cameras);
    return true;
}

void VCameraInfoHeader::Write(VByteWriter& writer) const
{
    RecordSchema::WriteFormatInfo(writer, formats_.header);
    for (const VFieldDescriptor& field : formats_.header.fields)
    {
        if (field.key == kFrameRateKey)
            ValueCodec::PutDouble(writer, frameRate_);
        else if (field.key == kCameraListKey)
            WriteCameraList(writer);
        else
            RecordSchema::WriteFillerField(writer, field);
    }
}

void VCameraInfoHeader::WriteCameraList(VByteWriter& writer) const
{
    const std::size_t begin = RecordSchema::BeginVariableField(writer);
    RecordSchema::WriteFormatInfo(writer, formats_.camera);
    writer.PutUInt32(claimedCount_.value_or(std::uint32_t(cameras_.size())));
    for (const CameraInfo& camera : cameras_)
        for (const VFieldDescriptor& field : formats_.camera.fields)
            PutCameraField(writer, field, camera);
    RecordSchema::EndVariableField(writer, begin);
}
} // namespace X2DIO
