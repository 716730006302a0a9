#include "params/Stringifiers.h"

#include <algorithm>
#include <limits>
#include <locale>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace
{
template <class T> std::string StreamOut(T value)
{
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    stream << value;
    return stream.str();
}

template <class T> bool StreamIn(const IString& text, T& out)
{
    std::istringstream stream(text.CStr());
    stream.imbue(std::locale::classic());
    char trailing = 0;
    return (stream >> out) && !(stream >> trailing);
}

std::string ToLowerAscii(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return std::tolower(c, std::locale::classic()); });
    return text;
}

// Stream input reads an unsigned number with a minus sign as its wrap-around ("-1" as
// 4294967295); a negative text is never a valid unsigned value.
bool IsNegativeText(const IString& text)
{
    const std::string_view view(text.CStr());
    const std::size_t first = view.find_first_not_of(" \t\n\v\f\r");
    return first != std::string_view::npos && view[first] == '-';
}

struct SpecialDouble
{
    std::string text;
    double value;
};

// The texts this program prints for the values stream input cannot read (NaN of either
// sign, as 0/0 gives a negative one, and both infinities), made once: a value written as
// text must read back.
const std::vector<SpecialDouble>& SpecialDoubles()
{
    static const std::vector<SpecialDouble> specials = []
    {
        std::vector<SpecialDouble> made;
        const double nan = std::numeric_limits<double>::quiet_NaN();
        const double infinity = std::numeric_limits<double>::infinity();
        for (double value : {nan, -nan, infinity, -infinity})
            made.push_back({StreamOut(value), value});
        return made;
    }();
    return specials;
}
} // namespace

void VParamStreamStringifier::ToString(bool value, IString& out)
{
    out.Assign(value ? "1" : "0");
}

void VParamStreamStringifier::ToString(int value, IString& out)
{
    out.Assign(StreamOut(value).c_str());
}

void VParamStreamStringifier::ToString(unsigned int value, IString& out)
{
    out.Assign(StreamOut(value).c_str());
}

void VParamStreamStringifier::ToString(double value, IString& out)
{
    out.Assign(StreamOut(value).c_str());
}

bool VParamStreamStringifier::FromString(const IString& text, bool& out)
{
    const std::string lower = ToLowerAscii(text.CStr());
    if (lower == "1" || lower == "true")
    {
        out = true;
        return true;
    }
    if (lower == "0" || lower == "false")
    {
        out = false;
        return true;
    }
    return false;
}

bool VParamStreamStringifier::FromString(const IString& text, int& out)
{
    return StreamIn(text, out);
}

bool VParamStreamStringifier::FromString(const IString& text, unsigned int& out)
{
    return !IsNegativeText(text) && StreamIn(text, out);
}

bool VParamStreamStringifier::FromString(const IString& text, double& out)
{
    for (const SpecialDouble& special : SpecialDoubles())
    {
        if (special.text == text.CStr())
        {
            out = special.value;
            return true;
        }
    }
    return StreamIn(text, out);
}

void VParamStringStringifier::ToString(const VStringStd& value, IString& out)
{
    value.CopyTo(out);
}

bool VParamStringStringifier::FromString(const IString& text, VStringStd& out)
{
    text.CopyTo(out);
    return true;
}
