#pragma once
// Text as the parameter interfaces pass it: a small abstract string, so callers in any
// module can receive text into storage of their own, plus VStringStd over std::string.
//
// Thread rules: reentrant (one instance is used from one thread at a time; no locks).

#include <string>

class IString
{
public:
    virtual ~IString();
    virtual void Assign(const char* text) = 0;
    // `out` receives this text.
    virtual void CopyTo(IString& out) const = 0;
    virtual const char* CStr() const = 0;
};

// A string that holds its text itself, so `CStr()` stays valid until the next change.
class IStringDirect : public IString
{
};

class VStringStd : public IStringDirect
{
public:
    VStringStd() = default;
    // nullptr gives the empty text.
    VStringStd(const char* text);
    VStringStd(std::string text);
    explicit VStringStd(const IString& other);

    void Assign(const char* text) override;
    void CopyTo(IString& out) const override;
    const char* CStr() const override;

    const std::string& Str() const { return text_; }

private:
    std::string text_;
};

// Byte-wise and case-sensitive, like std::string.
bool operator==(const VStringStd& left, const VStringStd& right);
bool operator!=(const VStringStd& left, const VStringStd& right);
bool operator<(const VStringStd& left, const VStringStd& right);
bool operator==(const VStringStd& left, const char* right);
