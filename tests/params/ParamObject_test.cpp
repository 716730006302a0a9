#include "params/ParamObjectTypes.h"

#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <locale>
#include <optional>
#include <typeinfo>

namespace
{
template <class T> std::string Format(T value)
{
    VStringStd out;
    VParamStreamStringifier::ToString(value, out);
    return out.Str();
}

template <class T> std::optional<T> Parse(const std::string& text)
{
    T value{};
    if (!VParamStreamStringifier::FromString(VStringStd(text), value))
    {
        return std::nullopt;
    }
    return value;
}

template <class T> void ExpectRejected(std::initializer_list<const char*> texts)
{
    for (const char* text : texts)
    {
        EXPECT_FALSE(Parse<T>(text).has_value()) << '"' << text << '"';
    }
}

std::string TextOf(const IParamObject& object)
{
    VStringStd out;
    object.ToString(out);
    return out.Str();
}

// Makes the global locale write "1.234,5" while it lives.
class CommaLocaleScope
{
public:
    CommaLocaleScope()
        : previous_(std::locale::global(std::locale(std::locale::classic(), new Punct)))
    {
    }
    ~CommaLocaleScope() { std::locale::global(previous_); }

private:
    struct Punct : std::numpunct<char>
    {
        char do_decimal_point() const override { return ','; }
        char do_thousands_sep() const override { return '.'; }
        std::string do_grouping() const override { return "\3"; }
    };
    std::locale previous_;
};

class CountingInt : public VParamObjectInt
{
public:
    explicit CountingInt(int& destroyed) : destroyed_(destroyed) {}
    ~CountingInt() override { ++destroyed_; }

private:
    int& destroyed_;
};
} // namespace

TEST(StringStd, NullTextSelfAssignmentAndByteOrder)
{
    VStringStd text("a text longer than the small-string buffer");
    text.Assign(text.CStr() + 2);
    EXPECT_EQ(text, "text longer than the small-string buffer");
    text.Assign(nullptr);
    EXPECT_EQ(text, "");
    EXPECT_LT(VStringStd("B"), VStringStd("a"));
    EXPECT_LT(VStringStd("z"), VStringStd("\xc3\xa9"));
}

TEST(StreamStringifier, Bool)
{
    EXPECT_EQ(Format(true) + Format(false), "10");
    EXPECT_EQ(Parse<bool>("1"), true);
    EXPECT_EQ(Parse<bool>("0"), false);
    EXPECT_EQ(Parse<bool>("TRUE"), true);
    EXPECT_EQ(Parse<bool>("False"), false);
    ExpectRejected<bool>({"yes", "2", "", " 1", "1 ", "01"});
}

TEST(StreamStringifier, IntAndUnsigned)
{
    EXPECT_EQ(Format(INT_MIN), "-2147483648");
    EXPECT_EQ(Parse<int>("42 "), 42);
    EXPECT_EQ(Parse<int>(" \t-7\n"), -7);
    ExpectRejected<int>({"42x", "", "x", "1.5", "0x10", "2147483648", "-2147483649"});
    EXPECT_EQ(Format(UINT_MAX), "4294967295");
    EXPECT_EQ(Parse<unsigned>(" +7"), 7u);
    ExpectRejected<unsigned>({"4294967296", "7 x", "-1", " -1", "-0", "-4294967295"});
}

TEST(StreamStringifier, Double)
{
    EXPECT_EQ(Format(1.0), "1");
    EXPECT_EQ(Format(0.1234567), "0.123457");
    EXPECT_EQ(Format(1e20), "1e+20");
    EXPECT_EQ(Parse<double>(" 2.5 "), 2.5);
    ExpectRejected<double>({"2.5x", "", "1e400", "nan ", "+inf", "infinity"});
}

// Whatever a double prints as must read back as the same value.
TEST(StreamStringifier, DoubleTextsReadBack)
{
    const double infinity = std::numeric_limits<double>::infinity();
    const double zero = 0.0;
    for (double value : {infinity, -infinity, 1.79769e308, -1.79769e308, 1e-310, -0.0, 59.94})
        EXPECT_EQ(Parse<double>(Format(value)), value) << Format(value);
    for (double nan : {std::nan(""), -std::nan(""), zero / zero})
    {
        const std::string text = Format(nan);
        const std::optional<double> parsed = Parse<double>(text);
        ASSERT_TRUE(parsed && std::isnan(*parsed)) << text;
        EXPECT_EQ(Format(*parsed), text) << "the sign of a NaN survives";
    }
}

TEST(StreamStringifier, UserLocaleDoesNotChangeTexts)
{
    CommaLocaleScope commaLocale;
    EXPECT_EQ(Format(1234.5), "1234.5");
    EXPECT_EQ(Format(1234567), "1234567");
    EXPECT_EQ(Parse<double>("0.5"), 0.5);
}

TEST(ParamObject, TextObjectReadsAnyTextThroughBothFaces)
{
    VParamObjectText text("old");
    EXPECT_TRUE(text.FromString(VStringStd(" Mixed\t")));
    VStringStd read;
    text.Get(static_cast<IString&>(read));
    EXPECT_EQ(read, " Mixed\t");
    text.Set(static_cast<const IString&>(VStringStd("")));
    EXPECT_EQ(TextOf(text), "");
    text.Set(VStringStd("direct"));
    text.Get(read);
    EXPECT_EQ(read, "direct");
}

TEST(ParamObject, OperationsRefuseOtherValueTypes)
{
    VParamObjectInt integer(1);
    const VParamObjectDouble real(1.0);
    const VParamObjectUnsigned natural(1);
    const VParamObjectBool flag(true);
    const VParamObjectText text("1");
    const IParamObject* others[] = {&real, &natural, &flag, &text};
    for (const IParamObject* other : others)
    {
        EXPECT_FALSE(integer.Assign(*other));
        EXPECT_FALSE(integer.IsEqual(*other));
        EXPECT_FALSE(integer.IsLessThan(*other));
        EXPECT_FALSE(other->IsLessThan(integer));
    }
}

TEST(ParamObject, SameTypeAssignsComparesAndOrders)
{
    VParamObjectInt small(1);
    const VParamObjectInt large(5);
    EXPECT_TRUE(small.IsLessThan(large));
    EXPECT_FALSE(large.IsLessThan(small));
    EXPECT_TRUE(small.Assign(large));
    EXPECT_TRUE(small.IsEqual(large));
    EXPECT_FALSE(small.IsLessThan(large));
    EXPECT_TRUE(VParamObjectText("A").IsLessThan(VParamObjectText("a")));
}

TEST(ParamObject, OnlyComparableLayersAreOrdered)
{
    const VParamObjectAs<VParamObject<int, VParamStreamStringifier>, int> unordered(1);
    EXPECT_FALSE(unordered.IsLessThan(VParamObjectInt(5)));
    EXPECT_FALSE(VParamObjectInt(0).IsLessThan(unordered));
    EXPECT_TRUE(unordered.IsEqual(VParamObjectInt(1)));
}

TEST(ParamObject, CloneKeepsDynamicTypeAndValue)
{
    const VParamObjectUnsigned natural(7);
    const VParamObjectText text("name");
    const IParamObject* originals[] = {&natural, &text};
    for (const IParamObject* original : originals)
    {
        const auto clone = MakeDestroyableHandle(original->Clone());
        const IParamObject& copy = *clone;
        EXPECT_EQ(typeid(copy), typeid(*original));
        EXPECT_TRUE(copy.IsEqual(*original));
    }
    const auto textClone = MakeDestroyableHandle(text.Clone());
    VStringStd read;
    textClone->Get(read);
    EXPECT_EQ(read, "name");
}

TEST(DestroyableHandle, LastHandleDestroysOnce)
{
    int destroyed = 0;
    auto handle = MakeDestroyableHandle<IParamObject>(new CountingInt(destroyed));
    auto copy = handle;
    handle.reset();
    EXPECT_EQ(destroyed, 0);
    copy.reset();
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(MakeDestroyableHandle<IParamObject>(nullptr), nullptr);
}
