#pragma once
// printf-style formatting into a std::string of any length, for the probe's messages and
// readable texts. Reentrant.

#include <string>

namespace HalProbe
{
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
} // namespace HalProbe
