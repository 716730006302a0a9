#include "tools/trialtool/ValueParsing.h"

#include "tools/trialtool/UsageError.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>

namespace TrialTool
{
namespace
{
[[noreturn]] void ThrowBadValue(const std::string& option, const std::string& text,
                                const std::string& expected)
{
    throw UsageError("bad value '" + text + "' for " + option + " (expected " + expected + ")");
}

std::string RangeText(std::int64_t low, std::int64_t high)
{
    return "an integer from " + std::to_string(low) + " to " + std::to_string(high);
}
} // namespace

std::int64_t ParseInteger(const std::string& text, const std::string& option, std::int64_t low,
                          std::int64_t high)
{
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, 10);
    const bool whole = !text.empty() && !std::isspace(static_cast<unsigned char>(text[0])) &&
                       errno == 0 && *end == '\0';
    if (!whole || value < low || value > high)
        ThrowBadValue(option, text, RangeText(low, high));
    return value;
}

std::int64_t ParseInteger(const std::optional<std::string>& text, const std::string& option,
                          std::int64_t low, std::int64_t high, std::int64_t fallback)
{
    return text ? ParseInteger(*text, option, low, high) : fallback;
}

double ParseRate(const std::optional<std::string>& text, const std::string& option, double fallback)
{
    if (!text)
        return fallback;
    char* end = nullptr;
    const double value = std::strtod(text->c_str(), &end);
    if (text->empty() || *end != '\0' || !(value > 0.0 && value <= 100000.0))
        ThrowBadValue(option, *text, "a rate in Hz above 0 and at most 100000");
    return value;
}

SensorSize ParseSensorSize(const std::string& text, const std::string& option)
{
    const std::size_t cross = text.find('x');
    if (cross == std::string::npos)
        ThrowBadValue(option, text, "WIDTHxHEIGHT");
    SensorSize size;
    size.width = std::int32_t(ParseInteger(text.substr(0, cross), option + " width", 1, 65535));
    size.height = std::int32_t(ParseInteger(text.substr(cross + 1), option + " height", 1, 65535));
    return size;
}
} // namespace TrialTool
