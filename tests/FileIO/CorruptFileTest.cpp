#include "CorruptFileTest.h"

#include <gmock/gmock.h>

using ::testing::ElementsAre;

VCorruptFileTest::VCorruptFileTest(const std::string& fileName) : path_(dir_.Path(fileName)) {}

void VCorruptFileTest::LoadOriginal()
{
    original_ = ReadFileBytes(path_);
    ASSERT_TRUE(Open(path_));
    const VIndexTable& index = Core().GetIndexTable();
    for (std::size_t i = 0; i < index.GetCount(); ++i)
    {
        VIndexTable::VEntry entry;
        ASSERT_TRUE(index.GetEntry(std::int64_t(i), entry));
        frameOffsets_.push_back(std::size_t(entry.offset));
    }
    indexOffset_ = std::size_t(Core().GetIndexOffset());
    formats_ = Core().GetFormats();
    Close();
}

bool VCorruptFileTest::OpenAndReadAll(const std::vector<std::uint8_t>& bytes)
{
    Close();
    WriteFileBytes(path_, bytes);
    if (!Open(path_))
    {
        EXPECT_FALSE(Core().GetErrors().empty());
        return false;
    }
    bool all = true;
    for (std::size_t i = 0; i < Core().GetIndexTable().GetCount(); ++i)
    {
        const std::size_t before = Core().GetErrors().size();
        const bool read = ReadFrame(std::int32_t(i));
        const bool silent = Core().GetErrors().size() == before;
        EXPECT_TRUE(read || !silent || MayFailSilently()) << "silent failure";
        all = all && read;
    }
    return all;
}

std::vector<std::uint8_t> VCorruptFileTest::Truncated(std::size_t size) const
{
    return {original_.begin(), original_.begin() + std::ptrdiff_t(size)};
}

std::vector<std::uint8_t> VCorruptFileTest::Patched32(std::size_t offset, std::uint32_t value) const
{
    std::vector<std::uint8_t> bytes = original_;
    PatchInt32(bytes, offset, value);
    return bytes;
}

void VCorruptFileTest::SweepTruncations()
{
    for (std::size_t size = 0; size < original_.size(); ++size)
    {
        SCOPED_TRACE("truncated to " + std::to_string(size));
        OpenAndReadAll(Truncated(size));
    }
}

void VCorruptFileTest::SweepOverwrites()
{
    for (const std::uint32_t value : {0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0xFFFFFFF0u, 0u, 4u})
        for (std::size_t offset = 0; offset + 4 <= original_.size(); ++offset)
        {
            SCOPED_TRACE("value " + std::to_string(value) + " at " + std::to_string(offset));
            OpenAndReadAll(Patched32(offset, value));
        }
}

void VCorruptFileTest::ExpectOffsetsOutsideTheFileRefusedOrRebuilt(std::size_t indexOffsetAt,
                                                                   std::size_t dataOffsetAt)
{
    std::vector<std::uint8_t> bytes = original_;
    PatchInt64(bytes, dataOffsetAt, std::uint64_t(-1));
    EXPECT_FALSE(OpenAndReadAll(bytes));
    EXPECT_THAT(Core().GetErrors(), ElementsAre(ReaderErrors::kBadDataOffset));
    PatchInt64(bytes, dataOffsetAt, original_.size() + 1);
    EXPECT_FALSE(OpenAndReadAll(bytes));
    EXPECT_THAT(Core().GetErrors(), ElementsAre(ReaderErrors::kBadDataOffset));

    bytes = original_;
    PatchInt64(bytes, indexOffsetAt, std::uint64_t(1) << 40);
    EXPECT_TRUE(OpenAndReadAll(bytes)) << "the index is rebuilt";
    EXPECT_THAT(Core().GetErrors(), ElementsAre(ReaderErrors::kNoIndexTable));
}

void VCorruptFileTest::ExpectFrameLengthBounded(std::size_t frameAt)
{
    EXPECT_FALSE(OpenAndReadAll(Patched32(frameAt + kFrameLengthAt, 0x7FFFFFFF)));
    EXPECT_THAT(Core().GetErrors(), ElementsAre(ReaderErrors::kPastFile));
    EXPECT_FALSE(OpenAndReadAll(Patched32(frameAt + kFrameLengthAt, 0)));
    EXPECT_THAT(Core().GetErrors(), ElementsAre(ReaderErrors::kFrameUnreadable));
}
