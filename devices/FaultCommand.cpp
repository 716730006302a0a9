#include "devices/FaultCommand.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <sstream>
#include <vector>

namespace
{
using Kind = FaultCommand::Kind;

std::vector<std::string> SplitWords(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
        words.push_back(word);
    return words;
}

// The whole word as a finite number; nothing for "nan", "inf", "0.5x" or an empty word.
std::optional<double> ReadNumber(const std::string& word)
{
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(word.c_str(), &end);
    if (word.empty() || *end != '\0' || errno != 0 || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<std::uint64_t> ReadUnsigned(const std::string& word)
{
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(word.c_str(), &end, 10);
    if (word.empty() || word[0] == '-' || *end != '\0' || errno != 0)
        return std::nullopt;
    return value;
}

bool Fail(std::string& error, const std::string& why)
{
    error = why;
    return false;
}

bool ReadDrop(const std::vector<std::string>& words, FaultCommand& command, std::string& error)
{
    if (words.size() != 2 && words.size() != 4)
        return Fail(error, "drop takes a share and optionally \"seed N\"");
    const std::optional<double> share = ReadNumber(words[1]);
    if (!share || *share < 0.0 || *share > 1.0)
        return Fail(error, "the share to drop must lie between 0 and 1, not " + words[1]);
    command.share = *share;
    if (words.size() == 2)
        return true;
    const std::optional<std::uint64_t> seed = ReadUnsigned(words[3]);
    if (words[2] != "seed" || !seed)
        return Fail(error, "after the share only \"seed N\" may follow, N a whole number");
    command.seed = *seed;
    return true;
}

bool ReadTime(const std::vector<std::string>& words, FaultCommand& command, std::string& error)
{
    if (words.size() != 2)
        return Fail(error, words[0] + " takes one time in milliseconds");
    const std::optional<std::uint64_t> time = ReadUnsigned(words[1]);
    if (!time || *time > static_cast<std::uint64_t>(FaultCommand::kLongestTime.count()))
        return Fail(error, "the time must be a whole number of milliseconds from 0 to 3600000, "
                           "not " +
                               words[1]);
    command.duration = std::chrono::milliseconds(*time);
    return true;
}

std::optional<Kind> KindOf(const std::string& word)
{
    const std::pair<const char*, Kind> kinds[] = {
        {"off", Kind::Off},     {"drop", Kind::Drop}, {"silence", Kind::Silence},
        {"delay", Kind::Delay}, {"mute", Kind::Mute}, {"refuse", Kind::Refuse},
    };
    for (const auto& [name, kind] : kinds)
        if (word == name)
            return kind;
    return std::nullopt;
}
} // namespace

std::optional<FaultCommand> ParseFaultCommand(const std::string& text, std::string& error)
{
    const std::vector<std::string> words = SplitWords(text);
    FaultCommand command;
    if (words.empty())
        return command;
    const std::optional<Kind> kind = KindOf(words[0]);
    if (!kind)
    {
        error = "unknown fault " + words[0];
        return std::nullopt;
    }
    command.kind = *kind;
    bool usable = true;
    if (*kind == Kind::Off)
        usable = words.size() == 1 || Fail(error, "off takes no more words");
    else if (*kind == Kind::Drop)
        usable = ReadDrop(words, command, error);
    else
        usable = ReadTime(words, command, error);
    if (!usable)
        return std::nullopt;
    return command;
}
