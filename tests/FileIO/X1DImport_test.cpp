#include "ReaderErrors.h"
#include "X1DTestFiles.h"

#include "FileIO/X1DExport.h"
#include "FileIO/X1DImport.h"
#include "FileIO/X1DImportImpl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace
{
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace ReaderErrors;

class X1DImportTest : public ::testing::Test
{
protected:
    // Writes the recording with `options` and opens it; the result is Open's.
    bool WriteAndOpen(const VX1DExportOptions& options = {})
    {
        // The file is replaced, so the earlier mapping must go first.
        reader_.Close();
        EXPECT_TRUE(WriteRecording(path_, recording_, options));
        return reader_.Open(path_);
    }

    void ExpectFramesAsRecorded()
    {
        std::vector<std::int32_t> numbers;
        reader_.GetFrameNumbers(numbers);
        EXPECT_EQ(numbers, recording_.frameNumbers);
        for (std::size_t i = 0; i < recording_.frames.size(); ++i)
        {
            VAnalogueBlockFrame frame;
            ASSERT_TRUE(reader_.ReadFrame(std::int32_t(i), frame)) << "frame index " << i;
            EXPECT_TRUE(FramesEqual(frame, recording_.frames[i])) << "frame index " << i;
        }
    }

    void ExpectHeaderAsRecorded()
    {
        VAnalogueSourceSetHeader header;
        header.SetClock(1);
        reader_.GetAnalogueSourceSetHeader(header);
        EXPECT_EQ(header.GetClock(), 135000000);
        EXPECT_EQ(header.GetSourceSets(), recording_.header.GetSourceSets());
    }

    VTempDir dir_;
    std::string path_ = dir_.Path("trial.x1d");
    VX1DRecording recording_ = MakeRecording(3, 4);
    VX1DImport reader_;
};

// Version 1 keeps 32-bit offsets in the index table, version 2 and later 64-bit ones.
class X1DVersionTest : public X1DImportTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(X1DVersionTest, RoundTripKeepsDevicesFramesAndIndexWidth)
{
    VX1DExportOptions options;
    options.version = GetParam();
    ASSERT_TRUE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), IsEmpty());
    EXPECT_EQ(reader_.GetNumberOfDevices(), 3u);
    EXPECT_EQ(reader_.GetNumberOfFrames(), 4);
    std::int32_t first = -1, last = -1;
    reader_.GetFrameRange(first, last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 4);
    ExpectHeaderAsRecorded();
    ExpectFramesAsRecorded();

    const VIndexTable& index = reader_.GetImpl().GetIndexTable();
    EXPECT_EQ(index.HasOffsets64(), GetParam() >= 2);
    // The table ends the file, so its size shows the width of its offsets.
    const std::size_t entrySize = GetParam() >= 2 ? 12 : 8;
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path_);
    EXPECT_EQ(bytes.at(bytes.size() - 4 - 4 * entrySize), 4) << "entry count";
}

INSTANTIATE_TEST_SUITE_P(Versions, X1DVersionTest, ::testing::Values(0, 1, 2));

TEST_F(X1DImportTest, UnknownFieldsOfFixedAndVariableSizeAreSkipped)
{
    const VFieldDescriptor fixed{0x7001, 4, {1, 2}};
    const VFieldDescriptor variable{0x7002, VFieldDescriptor::kVariableSize, {}};
    VX1DExportOptions options;
    for (VDataFormatInfo* format :
         {&options.blockFormat, &options.sourceSetFormats.header,
          &options.sourceSetFormats.sourceSet, &options.sourceSetFormats.source})
        format->fields.insert(format->fields.begin(), {fixed, variable});
    options.sourceSetFormats.sourceSet.fields.push_back(fixed);
    // Fields after the block are read once the block has been taken.
    options.blockFormat.fields.insert(options.blockFormat.fields.end(), {variable, fixed});

    ASSERT_TRUE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), IsEmpty());
    ExpectHeaderAsRecorded();
    ExpectFramesAsRecorded();
    ASSERT_EQ(reader_.GetImpl().GetFormats().size(), 1u);
    EXPECT_EQ(reader_.GetImpl().GetFormats()[0].fields.size(), 5u);
}

TEST_F(X1DImportTest, UnknownCustomSectionsAndHeaderValueAreSkippedButRemembered)
{
    VX1DExportOptions options;
    options.extraSections = {{7, {1, 2, 3, 4, 5}}, {-2, {}}};
    options.headerValue = -123456789012345;
    ASSERT_TRUE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), IsEmpty());
    EXPECT_EQ(reader_.GetImpl().GetHeaderValue(), -123456789012345);
    std::vector<std::int16_t> tags;
    for (const VSectionMarker& marker : reader_.GetImpl().GetSectionMarkers())
        tags.push_back(marker.tag);
    EXPECT_THAT(tags, ElementsAre(7, -2, 0));
    ExpectHeaderAsRecorded();
    ExpectFramesAsRecorded();
}

TEST_F(X1DImportTest, UnknownSectionsArePassedByTheirLengthWithinTheHeader)
{
    VX1DExportOptions options;
    options.extraSections = {{7, {1, 2, 3, 4, 5}}};
    ASSERT_TRUE(WriteAndOpen(options));
    reader_.Close();
    // The unknown section's length, right after the header's fixed items.
    constexpr std::size_t kLengthAt = 86;
    const std::vector<std::uint8_t> written = ReadFileBytes(path_);
    ASSERT_EQ(written.at(kLengthAt), 5);
    const struct
    {
        std::uint32_t length;
        const char* error;
    } cases[] = {{0xFFFFFFF0u, kInvalidLength}, {1000, kPastRecord}, {0x7FFFFFFF, kPastFile}};
    for (const auto& damage : cases)
    {
        std::vector<std::uint8_t> bytes = written;
        PatchInt32(bytes, kLengthAt, damage.length);
        WriteFileBytes(path_, bytes);
        EXPECT_FALSE(reader_.Open(path_)) << damage.length;
        EXPECT_THAT(reader_.GetErrors(), ElementsAre(damage.error));
        reader_.Close();
    }
}

TEST_F(X1DImportTest, DevicesWhoseSourceSetsTakeFewBytesOpen)
{
    recording_ = MakeRecording(100, 0);
    VX1DExportOptions options;
    options.sourceSetFormats.sourceSet = {std::int16_t(0xAFAB), {}};
    ASSERT_TRUE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kNoFrames));
    EXPECT_EQ(reader_.GetNumberOfDevices(), 100u);
    VAnalogueSourceSetHeader header;
    reader_.GetAnalogueSourceSetHeader(header);
    EXPECT_EQ(header.GetSourceSets().size(), 100u);
}

TEST_F(X1DImportTest, SourceSetListClaimingMoreThanItHoldsIsRefusedBeforeAllocating)
{
    // The header holds six bytes for each claimed set after the list, but the list holds three
    // sets; read from a count alone the claimed sets would take some 70 MB.
    VX1DExportOptions options;
    options.claimedSourceSets = 600000;
    options.trailingSections = {{7, std::vector<std::uint8_t>(3700000)}};
    EXPECT_FALSE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kTooMany));

    options.claimedSourceSets.reset();
    ASSERT_TRUE(WriteAndOpen(options));
    ExpectHeaderAsRecorded();
    ExpectFramesAsRecorded();
}

TEST_F(X1DImportTest, MissingIndexTableIsRebuiltFromTheFrameMarkers)
{
    VX1DExportOptions options;
    options.writeIndexTable = false;
    options.headerFrameCount = 77;
    ASSERT_TRUE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kNoIndexTable));
    EXPECT_EQ(reader_.GetNumberOfFrames(), 4);
    ExpectFramesAsRecorded();
}

TEST_F(X1DImportTest, HeaderFrameCountIsReportedAsWritten)
{
    VX1DExportOptions options;
    options.headerFrameCount = 9;
    ASSERT_TRUE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), IsEmpty());
    EXPECT_EQ(reader_.GetNumberOfFrames(), 9);
    ExpectFramesAsRecorded();

    options.headerFrameCount = 0;
    ASSERT_TRUE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kNoFrames));
    EXPECT_EQ(reader_.GetNumberOfFrames(), 0);
    ExpectFramesAsRecorded();

    options.writeIndexTable = false;
    ASSERT_TRUE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kNoFrames, kNoIndexTable));
    EXPECT_EQ(reader_.GetNumberOfFrames(), 4);
}

TEST_F(X1DImportTest, NewerVersionIsRefused)
{
    VX1DExportOptions options;
    options.version = 3;
    EXPECT_FALSE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Cannot read X1D files of version 3."));
}

TEST_F(X1DImportTest, FrameLookupsOutsideTheIndexFail)
{
    ASSERT_TRUE(WriteAndOpen());
    VAnalogueBlockFrame frame;
    EXPECT_FALSE(reader_.ReadFrame(4, frame));
    EXPECT_FALSE(reader_.ReadFrame(-1, frame));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("There is no frame index 4 in the file.",
                                                 "There is no frame index -1 in the file."));
    EXPECT_EQ(frame.GetCount(), 0u);

    EXPECT_EQ(reader_.GetFrameNumber(2), 104);
    EXPECT_EQ(reader_.GetFrameNumber(4), 0);
    std::int32_t index = -1;
    EXPECT_TRUE(reader_.FindFrameIndex(106, index));
    EXPECT_EQ(index, 3);
    EXPECT_FALSE(reader_.FindFrameIndex(105, index));
    EXPECT_FALSE(reader_.ReadFrameByNumber(105, frame));
    ASSERT_TRUE(reader_.ReadFrameByNumber(102, frame));
    EXPECT_TRUE(FramesEqual(frame, recording_.frames[1]));
}

// A frame object of someone else's that only offers the generic interface.
class VForeignFrame : public IAnalogueBlockFrame
{
public:
    std::uint32_t GetCount() const override { return inner.GetCount(); }
    void Resize(std::uint32_t count) override { inner.Resize(count); }
    IAnalogueBlockSet& GetSet(std::uint32_t index) override { return inner.GetSet(index); }
    const IAnalogueBlockSet& GetSet(std::uint32_t index) const override
    {
        return inner.GetSet(index);
    }
    void CopyTo(IAnalogueBlockFrame& target) const override { inner.CopyTo(target); }

    VAnalogueBlockFrame inner;
};

TEST_F(X1DImportTest, FrameWithoutDirectAccessIsFilledThroughACopy)
{
    ASSERT_TRUE(WriteAndOpen());
    VForeignFrame frame;
    ASSERT_TRUE(reader_.ReadFrame(2, frame));
    EXPECT_TRUE(FramesEqual(frame.inner, recording_.frames[2]));
    ASSERT_TRUE(reader_.ReadFrame(0, frame));
    EXPECT_TRUE(FramesEqual(frame.inner, recording_.frames[0]));
}

TEST_F(X1DImportTest, FileCutShortOrReplacedWhileOpenFailsTheReadAndReadingGoesOn)
{
    recording_ = MakeRecording(3, 200);
    ASSERT_TRUE(WriteAndOpen());
    // The writer puts a new file in the old one's place: the open file stays whole.
    const VX1DRecording first = recording_;
    recording_ = MakeRecording(1, 2);
    {
        VX1DExport writer;
        ASSERT_TRUE(writer.Open(path_, recording_.header));
        ASSERT_TRUE(writer.WriteFrame(recording_.frameNumbers[0], recording_.frames[0]));
    }
    VAnalogueBlockFrame frame;
    ASSERT_TRUE(reader_.ReadFrame(199, frame));
    EXPECT_TRUE(FramesEqual(frame, first.frames[199]));

    // The file the reader has open, cut short.
    reader_.Close();
    recording_ = first;
    ASSERT_TRUE(WriteAndOpen());
    std::filesystem::resize_file(path_, 4096);
    EXPECT_FALSE(reader_.ReadFrame(199, frame));
    EXPECT_EQ(reader_.GetErrors().back(), kFileChanged);
    ASSERT_TRUE(reader_.ReadFrame(0, frame));
    EXPECT_TRUE(FramesEqual(frame, recording_.frames[0]));
    EXPECT_FALSE(reader_.ReadFrame(199, frame));
    EXPECT_EQ(reader_.GetErrors().back(), kPastFile);
}

TEST_F(X1DImportTest, ReopeningForgetsTheEarlierFile)
{
    ASSERT_TRUE(WriteAndOpen());
    recording_ = MakeRecording(1, 2);
    const std::string second = dir_.Path("second.x1d");
    ASSERT_TRUE(WriteRecording(second, recording_));
    ASSERT_TRUE(reader_.Open(second));
    EXPECT_EQ(reader_.GetNumberOfDevices(), 1u);
    ExpectHeaderAsRecorded();
    ExpectFramesAsRecorded();

    EXPECT_FALSE(reader_.Open(dir_.Path("missing.x1d")));
    EXPECT_FALSE(reader_.IsOpen());
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Could not open the file."));
}
} // namespace
