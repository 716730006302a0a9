#pragma once

// Per-category log thresholds, parsed from the text of the BRISEL_LOG variable
// ("X2DImport=4,UtilsIO=2,*=5"). Plain values: reentrant.

#include <map>
#include <string>
#include <vector>

namespace Qelt
{

struct LogThresholds
{
    // Messages of level 2 and below are written unless configured otherwise.
    int defaultLevel = 2;
    std::map<std::string, int> levels;

    int LevelFor(const std::string& category) const;
};

struct MalformedLogEntry
{
    std::string entry;
    std::string reason;
};

struct LogConfig
{
    LogThresholds thresholds;
    std::vector<MalformedLogEntry> malformed;
};

// Entries are separated by commas; blanks around names and levels are dropped, blanks inside
// names are kept ("Event System=5"). "*" sets the default. A later entry for the same category
// wins. Malformed entries are collected, not applied.
LogConfig ParseLogConfig(const std::string& text);

} // namespace Qelt
