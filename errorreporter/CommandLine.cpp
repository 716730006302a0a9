#include "errorreporter/CommandLine.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace QeltErrorReporting
{
std::optional<std::uint64_t> ParseNumber(const char* text)
{
    const bool hexadecimal = text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* digits = hexadecimal ? text + 2 : text;
    const auto isDigit = hexadecimal ? [](unsigned char c) { return std::isxdigit(c) != 0; }
                                     : [](unsigned char c) { return std::isdigit(c) != 0; };
    if (*digits == '\0')
        return std::nullopt;
    for (const char* at = digits; *at != '\0'; ++at)
    {
        if (!isDigit(static_cast<unsigned char>(*at)))
            return std::nullopt;
    }
    errno = 0;
    const unsigned long long value = std::strtoull(digits, nullptr, hexadecimal ? 16 : 10);
    if (errno == ERANGE)
        return std::nullopt;
    return value;
}

Branding ParseBranding(const char* text)
{
    const std::optional<std::uint64_t> selector = ParseNumber(text);
    return selector == 1u ? Branding::Sarnet : Branding::Qelt;
}

const char* BrandingName(Branding branding)
{
    return branding == Branding::Sarnet ? "Sarnet" : "Qelt";
}

bool IsBatch(int argc, char** argv)
{
    return argc > 5 && std::strcmp(argv[5], "--batch") == 0;
}
} // namespace QeltErrorReporting
