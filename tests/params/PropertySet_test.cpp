#include "params/PropertySet.h"

#include <gtest/gtest.h>
#include <string>
#include <thread>
#include <vector>

namespace
{
std::string NameAt(const IPropertySet& set, unsigned index)
{
    VStringStd name("none");
    set.GetNameAt(index, name);
    return name.Str();
}

std::string ValueOf(const IPropertySet& set, const char* name)
{
    VStringStd value("none");
    set.GetValue(VStringStd(name), value);
    return value.Str();
}

void Set(IPropertySet& set, const std::string& name, const char* value)
{
    set.SetValue(VStringStd(name), VStringStd(value));
}
} // namespace

TEST(PropertySet, NameOrderReplaceAndMissingEntries)
{
    VPropertySet set;
    Set(set, "serial", "1");
    Set(set, "model", "A");
    Set(set, "Zoom", "2");
    Set(set, "model", "B");
    EXPECT_EQ(set.GetCount(), 3u);
    EXPECT_EQ(NameAt(set, 0) + NameAt(set, 1) + NameAt(set, 2), "Zoommodelserial");
    EXPECT_EQ(ValueOf(set, "model"), "B");
    EXPECT_EQ(set.GetRevision(), 4u);
    VStringStd out;
    EXPECT_FALSE(set.GetValue(VStringStd("absent"), out));
    EXPECT_FALSE(set.GetNameAt(3, out));
}

TEST(PropertySet, SetAllCountsEachValueAndTheCallWhileClearCountsOne)
{
    VPropertySet source;
    Set(source, "a", "1");
    Set(source, "b", "2");
    VPropertySet target;
    Set(target, "a", "old");
    Set(target, "c", "3");
    target.SetAll(VPropertySet());
    EXPECT_EQ(target.GetRevision(), 3u) << "an empty source still counts the call";
    target.SetAll(source);
    EXPECT_EQ(target.GetRevision(), 6u) << "two values and the call";
    EXPECT_EQ(ValueOf(target, "a") + ValueOf(target, "b") + ValueOf(target, "c"), "123");
    target.SetAll(target);
    EXPECT_EQ(target.GetCount(), 3u);
    EXPECT_EQ(target.GetRevision(), 10u);
    target.Clear();
    EXPECT_EQ(target.GetCount(), 0u);
    EXPECT_EQ(target.GetRevision(), 11u);
}

// Writers, a reader and two sets copying into each other at once, for TSan to watch;
// afterwards every change must have been counted. Only the copying thread writes `second`,
// so the number of values each copy from it sets is its count at that moment.
TEST(PropertySet, ConcurrentUse)
{
    constexpr int writers = 3;
    constexpr int rounds = 200;
    VPropertySet first;
    VPropertySet second;
    std::uint64_t copiedIntoFirst = 0;
    std::vector<std::thread> threads;
    for (int writer = 0; writer < writers; ++writer)
    {
        threads.emplace_back(
            [&, writer]
            {
                for (int round = 0; round < rounds; ++round)
                {
                    Set(first, std::to_string(writer * 10 + round % 10), "x");
                }
            });
    }
    threads.emplace_back(
        [&]
        {
            for (int round = 0; round < rounds; ++round)
            {
                second.SetAll(first);
                NameAt(first, first.GetCount() / 2);
                copiedIntoFirst += second.GetCount() + 1;
                first.SetAll(second);
            }
        });
    for (auto& thread : threads)
    {
        thread.join();
    }
    EXPECT_EQ(first.GetCount(), unsigned(writers * 10));
    EXPECT_EQ(first.GetRevision(), std::uint64_t(writers * rounds) + copiedIntoFirst);
    EXPECT_GE(second.GetRevision(), std::uint64_t(rounds));
}
