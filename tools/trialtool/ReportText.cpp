#include "tools/trialtool/ReportText.h"

#include <algorithm>
#include <cstdio>

namespace TrialTool
{
std::string HexBytes(const std::uint8_t* data, std::size_t size, std::size_t limit)
{
    std::string text;
    for (std::size_t i = 0; i < size && i < limit; ++i)
    {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x", data[i]);
        text += (i == 0 ? "" : " ") + std::string(byte);
    }
    if (size > limit)
        text += " ...";
    return text;
}

std::string FormatNumber(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

void PrintReaderErrors(const std::vector<std::string>& errors, std::ostream& out)
{
    if (errors.empty())
    {
        out << "reader errors: none\n";
        return;
    }
    out << "reader errors:\n";
    for (const std::string& error : errors)
        out << "  " << error << "\n";
}

std::string DescribeMissingFrame(std::int32_t frameNumber, const std::vector<std::int32_t>& numbers)
{
    if (std::find(numbers.begin(), numbers.end(), frameNumber) != numbers.end())
        return "";
    const std::string missing = "the file has no frame numbered " + std::to_string(frameNumber);
    if (numbers.empty())
        return missing + " (it has no frames)";
    const auto [first, last] = std::minmax_element(numbers.begin(), numbers.end());
    return missing + " (frames " + std::to_string(*first) + " to " + std::to_string(*last) + ")";
}

void PrintFrameRange(std::int64_t count, std::int32_t first, std::int32_t last, std::ostream& out)
{
    out << "frames: " << count << "\n";
    if (count <= 0)
        out << "frame range: none\n";
    else
        out << "frame range: " << first << " to " << last << "\n";
}
} // namespace TrialTool
