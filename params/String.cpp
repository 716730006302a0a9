#include "params/String.h"

#include <utility>

IString::~IString() = default;

VStringStd::VStringStd(const char* text)
{
    Assign(text);
}

VStringStd::VStringStd(std::string text) : text_(std::move(text)) {}

VStringStd::VStringStd(const IString& other) : VStringStd(other.CStr()) {}

void VStringStd::Assign(const char* text)
{
    if (text == nullptr)
    {
        text_.clear();
        return;
    }
    text_.assign(text);
}

void VStringStd::CopyTo(IString& out) const
{
    out.Assign(CStr());
}

const char* VStringStd::CStr() const
{
    return text_.c_str();
}

bool operator==(const VStringStd& left, const VStringStd& right)
{
    return left.Str() == right.Str();
}

bool operator!=(const VStringStd& left, const VStringStd& right)
{
    return !(left == right);
}

bool operator<(const VStringStd& left, const VStringStd& right)
{
    return left.Str() < right.Str();
}

bool operator==(const VStringStd& left, const char* right)
{
    return right != nullptr ? left.Str() == right : left.Str().empty();
}
