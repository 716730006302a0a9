#include "devices/CommandText.h"

#include <boost/algorithm/string/trim.hpp>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace CommandText
{
bool ReadUnsigned(const std::string& text, unsigned long& value)
{
    std::istringstream in(text);
    return static_cast<bool>(in >> value);
}

std::string TrimLineSpace(const std::string& text)
{
    return boost::algorithm::trim_copy_if(text, boost::algorithm::is_any_of(" \t\r\n"));
}

bool ConsumePrefix(const std::string& line, const std::string& keyword, std::string& rest)
{
    if (line.compare(0, keyword.size(), keyword) != 0)
        return false;
    rest = line.substr(keyword.size());
    return true;
}

std::vector<std::string> Tokens(const std::string& text, const char* separators)
{
    std::vector<std::string> tokens;
    std::string token;
    bool quoted = false;
    bool inToken = false;
    for (const char c : text)
    {
        if (c == '"')
        {
            quoted = !quoted;
            inToken = true;
        }
        else if (!quoted && std::strchr(separators, c) != nullptr)
        {
            if (inToken)
                tokens.push_back(token);
            token.clear();
            inToken = false;
        }
        else
        {
            token += c;
            inToken = true;
        }
    }
    if (inToken)
        tokens.push_back(token);
    return tokens;
}
std::optional<int> DecimalInt(const std::string& word)
{
    if (word.empty())
        return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(word.c_str(), &end, 10);
    if (*end != '\0' || errno == ERANGE || value < INT_MIN || value > INT_MAX ||
        std::isspace(static_cast<unsigned char>(word[0])))
        return std::nullopt;
    return static_cast<int>(value);
}
} // namespace CommandText
