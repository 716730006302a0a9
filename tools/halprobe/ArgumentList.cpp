#include "tools/halprobe/ArgumentList.h"

#include "tools/halprobe/UsageError.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <limits>

namespace HalProbe
{
namespace
{
bool LooksLikeOption(const std::string& text)
{
    return text.size() > 2 && text.compare(0, 2, "--") == 0;
}

// The whole of `text` as a number in `base`, or nothing.
std::optional<long long> WholeInteger(const std::string& text, int base)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0])))
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(text.c_str(), &end, base);
    if (errno != 0 || *end != '\0')
        return std::nullopt;
    return value;
}

long long IntegerInRange(const std::string& text, int base, long long low, long long high,
                         const std::string& what)
{
    const std::optional<long long> value = WholeInteger(text, base);
    if (!value || *value < low || *value > high)
        throw UsageError("bad " + what + " '" + text + "'");
    return *value;
}

double NumberInRange(const std::string& text, double high, const std::string& what)
{
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !(value >= 0.0 && value <= high))
        throw UsageError("bad " + what + " '" + text + "'");
    return value;
}
} // namespace

ArgumentList::ArgumentList(std::vector<std::string> arguments) : arguments_(std::move(arguments)) {}

bool ArgumentList::TakeFlag(const std::string& name)
{
    const auto found = std::find(arguments_.begin(), arguments_.end(), name);
    if (found == arguments_.end())
        return false;
    arguments_.erase(found);
    return true;
}

std::optional<std::string> ArgumentList::TakeOption(const std::string& name)
{
    const auto found = std::find(arguments_.begin(), arguments_.end(), name);
    if (found == arguments_.end())
        return std::nullopt;
    if (found + 1 == arguments_.end())
        throw UsageError(name + " needs a value");
    std::string value = *(found + 1);
    arguments_.erase(found, found + 2);
    return value;
}

std::string ArgumentList::TakeRequiredOption(const std::string& name)
{
    std::optional<std::string> value = TakeOption(name);
    if (!value)
        throw UsageError(name + " is required");
    return *value;
}

std::vector<std::string> ArgumentList::TakeRepeatedOption(const std::string& name)
{
    std::vector<std::string> values;
    while (std::optional<std::string> value = TakeOption(name))
        values.push_back(std::move(*value));
    return values;
}

std::vector<std::string> ArgumentList::TakePositionals()
{
    const auto option = std::find_if(arguments_.begin(), arguments_.end(), LooksLikeOption);
    if (option != arguments_.end())
        throw UsageError("unknown option " + *option);
    return std::move(arguments_);
}

void ArgumentList::ExpectNothingElse()
{
    const std::vector<std::string> extra = TakePositionals();
    if (!extra.empty())
        throw UsageError("unexpected argument '" + extra.front() + "'");
}

std::uint32_t ParseDeviceId(const std::string& text)
{
    // Base 16 takes the "0x" itself.
    const bool hex = text.compare(0, 2, "0x") == 0 || text.compare(0, 2, "0X") == 0;
    return static_cast<std::uint32_t>(
        IntegerInRange(text, hex ? 16 : 10, 0, 0xFFFFFFFFLL, "device ID"));
}

std::uint16_t ParsePort(const std::string& text)
{
    return static_cast<std::uint16_t>(IntegerInRange(text, 10, 1, 65535, "port"));
}

std::int32_t ParseFrame(const std::string& text)
{
    return static_cast<std::int32_t>(
        IntegerInRange(text, 10, std::numeric_limits<std::int32_t>::min(),
                       std::numeric_limits<std::int32_t>::max(), "frame number"));
}

double ParseRate(const std::string& text)
{
    return NumberInRange(text, 4294967295.0, "frame rate");
}

double ParseSeconds(const std::string& text)
{
    // A year is long enough for any probe and keeps the clock arithmetic far from overflow.
    return NumberInRange(text, 365.0 * 24 * 3600, "number of seconds");
}

bool ParseOnOff(const std::string& text)
{
    if (text != "on" && text != "off")
        throw UsageError("expected on or off, not '" + text + "'");
    return text == "on";
}
Clock::duration ToDuration(double seconds)
{
    return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}
} // namespace HalProbe
