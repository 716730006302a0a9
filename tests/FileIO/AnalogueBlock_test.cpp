#include "FileIO/AnalogueBlockFrame.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace
{
VAnalogueBlockView ViewOf(const std::vector<std::uint8_t>& bytes)
{
    return MakeAnalogueBlockView(bytes);
}

TEST(AnalogueBlock, EmptyBlockHasNoPointerAndStillCountsInASet)
{
    VAnalogueBlock block;
    block.Assign(ViewOf({1, 2, 3}));
    block.Assign(ViewOf({}));
    EXPECT_EQ(block.GetView().data, nullptr);
    EXPECT_EQ(block.GetView().size, 0u);

    VAnalogueBlockSet set;
    set.Append(block.GetView());
    ASSERT_EQ(set.GetCount(), 1u);
    EXPECT_EQ(set.GetBlock(0).data, nullptr);
    EXPECT_EQ(set.GetBlock(0).size, 0u);
    EXPECT_EQ(set.GetBlock(1).data, nullptr) << "out of range gives an empty view";
}

TEST(AnalogueBlock, FrameCopyResizesTargetAndSharesNoBytes)
{
    VAnalogueBlockFrame source;
    source.Resize(3);
    for (std::uint32_t set = 0; set < 3; ++set)
    {
        source.GetSet(set).SetName(VStringStd("set " + std::to_string(set)));
        source.GetSet(set).Append(ViewOf({std::uint8_t(set), 9, 9}));
        source.GetSet(set).Append(ViewOf({}));
    }

    VAnalogueBlockFrame copy;
    source.CopyTo(copy);
    ASSERT_EQ(copy.GetCount(), 3u);
    // Replacing the source's blocks must not reach the copy.
    source.GetSet(1).Assign(nullptr, 0, VStringStd("changed"));
    source.Resize(0);

    for (std::uint32_t set = 0; set < 3; ++set)
    {
        const IAnalogueBlockSet& copied = copy.GetSet(set);
        ASSERT_EQ(copied.GetCount(), 2u);
        EXPECT_EQ(copied.GetBlock(0).data[0], set);
        EXPECT_EQ(copied.GetBlock(1).size, 0u);
        VStringStd name;
        copied.GetName(name);
        EXPECT_EQ(name, VStringStd("set " + std::to_string(set)));
    }
}

TEST(AnalogueBlock, SetCopiesAreDeepAndSurviveTheSource)
{
    auto source = std::make_unique<VAnalogueBlockSet>();
    source->Append(ViewOf({1, 2, 3}));
    VAnalogueBlockSet copy(*source);
    VAnalogueBlockSet assigned;
    assigned = *source;
    EXPECT_NE(copy.GetBlock(0).data, source->GetBlock(0).data);
    source.reset();

    for (const VAnalogueBlockSet* set : {&copy, &assigned})
    {
        ASSERT_EQ(set->GetCount(), 1u);
        EXPECT_EQ(std::vector<std::uint8_t>(set->GetBlock(0).data, set->GetBlock(0).data + 3),
                  (std::vector<std::uint8_t>{1, 2, 3}));
    }
}

TEST(AnalogueBlock, SetAssignFromItsOwnViewsKeepsTheBytes)
{
    VAnalogueBlockSet set;
    set.Append(ViewOf({4, 5}));
    set.Append(ViewOf({6}));
    std::uint32_t count = 0;
    const VAnalogueBlockView* views = set.GetViews(count);
    set.Assign(views, count, VStringStd("same"));

    ASSERT_EQ(set.GetCount(), 2u);
    EXPECT_EQ(set.GetBlock(0).data[1], 5);
    EXPECT_EQ(set.GetBlock(1).data[0], 6);
    EXPECT_EQ(set.GetNameText(), VStringStd("same"));
}

TEST(AnalogueBlock, ViewsStayValidWhileTheSetGrows)
{
    VAnalogueBlockSet set;
    for (std::uint8_t i = 0; i < 100; ++i)
        set.Append(ViewOf({i, i}));
    std::uint32_t count = 0;
    const VAnalogueBlockView* views = set.GetViews(count);
    ASSERT_EQ(count, 100u);
    for (std::uint32_t i = 0; i < count; ++i)
        EXPECT_EQ(views[i].data[1], i);
}
} // namespace
