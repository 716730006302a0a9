#include "diagnostics/LogConfig.h"

#include <charconv>
#include <optional>
#include <string_view>

namespace Qelt
{
namespace
{

std::string_view Trim(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
    {
        return {};
    }
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::optional<int> ParseLevel(std::string_view text)
{
    if (text.empty())
    {
        return std::nullopt;
    }
    int level = 0;
    const char* end = text.data() + text.size();
    const auto [next, error] = std::from_chars(text.data(), end, level);
    if (error != std::errc() || next != end)
    {
        return std::nullopt;
    }
    return level;
}

void ApplyEntry(std::string_view entry, LogConfig& config)
{
    const auto equals = entry.find('=');
    if (equals == std::string_view::npos)
    {
        config.malformed.push_back({std::string(entry), "missing '='"});
        return;
    }
    const auto name = Trim(entry.substr(0, equals));
    const auto level = ParseLevel(Trim(entry.substr(equals + 1)));
    if (name.empty())
    {
        config.malformed.push_back({std::string(entry), "no category name"});
        return;
    }
    if (!level)
    {
        config.malformed.push_back({std::string(entry), "level is not a whole number"});
        return;
    }
    if (name == "*")
    {
        config.thresholds.defaultLevel = *level;
        return;
    }
    config.thresholds.levels[std::string(name)] = *level;
}

} // namespace

int LogThresholds::LevelFor(const std::string& category) const
{
    const auto found = levels.find(category);
    return found == levels.end() ? defaultLevel : found->second;
}

LogConfig ParseLogConfig(const std::string& text)
{
    LogConfig config;
    std::string_view rest(text);
    while (!rest.empty())
    {
        const auto comma = rest.find(',');
        const auto entry = Trim(rest.substr(0, comma));
        // Empty entries come from stray commas ("A=4,,B=2" or a trailing one): nothing to report.
        if (!entry.empty())
        {
            ApplyEntry(entry, config);
        }
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    return config;
}

} // namespace Qelt
