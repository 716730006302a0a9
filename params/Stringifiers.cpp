#include "params/Stringifiers.h"

#include <algorithm>
#include <limits>
#include <locale>
#include <sstream>
#include <string>

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

// Stream input cannot read these, yet a value written as text must read back.
const std::string& NanText()
{
    static const std::string text = StreamOut(std::numeric_limits<double>::quiet_NaN());
    return text;
}

const std::string& InfinityText()
{
    static const std::string text = StreamOut(std::numeric_limits<double>::infinity());
    return text;
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
    return StreamIn(text, out);
}

bool VParamStreamStringifier::FromString(const IString& text, double& out)
{
    if (NanText() == text.CStr())
    {
        out = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    if (InfinityText() == text.CStr())
    {
        out = std::numeric_limits<double>::infinity();
        return true;
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
