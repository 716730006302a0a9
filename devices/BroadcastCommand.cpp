#include "devices/BroadcastCommand.h"

#include "net/ByteOrder.h"

#include <cstdarg>
#include <cstdio>

namespace BroadcastCommand
{
namespace
{
enum class FieldForm
{
    kNone,
    kDecimal,
    kHex,
};

struct LogFormat
{
    std::uint32_t code;
    const char* name;
    const char* fieldLabel;
    std::size_t fieldOffset;
    FieldForm form;
};

constexpr LogFormat kLogFormats[] = {
    {kSync, "BROADCAST_CMD_SYNC", "frame", 4, FieldForm::kDecimal},
    {kReset, "BROADCAST_CMD_RESET", "device", 4, FieldForm::kDecimal},
    {kMaster, "BROADCAST_CMD_MASTER", "device", 4, FieldForm::kDecimal},
    {kAwake, "BROADCAST_CMD_AWAKE", "device", 8, FieldForm::kDecimal},
    {kPreview, "BROADCAST_CMD_PREVIEW", "device", 4, FieldForm::kDecimal},
    {kAlivePing, "BROADCAST_CMD_ALIVE_PING", "device", 8, FieldForm::kDecimal},
    {kFrameNumber, "BROADCAST_CMD_FRAME_NUMBER", "frame", 4, FieldForm::kDecimal},
    {kDataDisable, "BROADCAST_CMD_DATA_DISABLE", "flags", 4, FieldForm::kHex},
    {kStrobeDisable, "BROADCAST_CMD_STROBE_DISABLE", "flags", 4, FieldForm::kHex},
    {kTestSync, "BROADCAST_CMD_TEST_SYNC", nullptr, 0, FieldForm::kNone},
    {kSystemEvent, "BROADCAST_CMD_SYSTEM_EVENT", "type", 4, FieldForm::kHex},
};

const LogFormat* FindLogFormat(std::uint32_t code)
{
    for (const LogFormat& format : kLogFormats)
        if (format.code == code)
            return &format;
    return nullptr;
}

std::string Printed(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Printed(const char* format, ...)
{
    char line[160];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(line, sizeof(line), format, arguments);
    va_end(arguments);
    return line;
}

std::string DescribeKnown(const LogFormat& format, const std::uint8_t* data, std::size_t length)
{
    if (format.form == FieldForm::kNone)
        return Printed("Received broadcast command: %08X (%s)\n", format.code, format.name);
    std::uint32_t field = 0;
    if (!ByteOrder::ReadBigEndian32(data, length, format.fieldOffset, field))
        return Printed("Received broadcast command: %08X (%s, too short: %zu bytes)\n", format.code,
                       format.name, length);
    if (format.form == FieldForm::kHex)
        return Printed("Received broadcast command: %08X (%s, %s = 0x%08X)\n", format.code,
                       format.name, format.fieldLabel, field);
    return Printed("Received broadcast command: %08X (%s, %s = %d)\n", format.code, format.name,
                   format.fieldLabel, static_cast<std::int32_t>(field));
}
} // namespace

std::string DescribeForLog(const std::uint8_t* data, std::size_t length)
{
    std::uint32_t code = 0;
    if (!ByteOrder::ReadBigEndian32(data, length, 0, code))
        return Printed("Received broadcast datagram too short for a command: %zu bytes\n", length);
    if (const LogFormat* format = FindLogFormat(code))
        return DescribeKnown(*format, data, length);
    return Printed("Received broadcast command: %08X (unknown)\n", code);
}
} // namespace BroadcastCommand
