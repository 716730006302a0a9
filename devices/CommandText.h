#pragma once
// Reading the arguments of command-session lines, the same way for every device. Reentrant.

#include <optional>
#include <string>
#include <vector>

namespace CommandText
{
// An unsigned decimal number after optional white space; false when there is none.
bool ReadUnsigned(const std::string& text, unsigned long& value);

// `text` without blanks, tabs, carriage returns and line feeds at either end.
std::string TrimLineSpace(const std::string& text);

// True, with the rest of the line in `rest`, when `line` starts with `keyword`.
bool ConsumePrefix(const std::string& line, const std::string& keyword, std::string& rest);

// The words of `text`, split at any of `separators` (blanks by default); a double quote
// starts or ends a group of words that form one token (the quotes themselves are dropped).
std::vector<std::string> Tokens(const std::string& text, const char* separators = " ");

// A decimal integer word (optional sign), or nothing for any other word, including a
// number outside the range of int.
std::optional<int> DecimalInt(const std::string& word);
} // namespace CommandText
