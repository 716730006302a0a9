// Round trips through VX2DExport and VX2DImport, and the file variants the reader must cope
// with: older and newer versions, unknown fields and sections, missing index table or frame
// information, disagreeing frame counts, blocks that overrun their camera record.

#include "../ReaderErrors.h"
#include "X2DTestFiles.h"

#include "FileIO/X2DIO/X2DImportImpl.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>

using namespace X2DIO;

namespace
{
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using namespace ReaderErrors;

const char* const kWrongLength = "Corrupt file (index table wrong length).";

class X2DImportTest : public ::testing::Test
{
protected:
    // Writes the recording with `options` and opens it; the result is Open's.
    bool WriteAndOpen(const VX2DExportOptions& options = {}, bool rebuildIndex = true)
    {
        // The file is replaced, so the earlier mapping must go first.
        reader_.Close();
        EXPECT_TRUE(WriteX2DRecording(path_, recording_, options));
        return reader_.Open(path_, rebuildIndex);
    }

    void ExpectFramesAsRecorded()
    {
        std::vector<std::int32_t> numbers;
        reader_.GetFrameNumbers(numbers);
        ASSERT_EQ(numbers.size(), recording_.frames.size());
        for (std::size_t i = 0; i < recording_.frames.size(); ++i)
        {
            EXPECT_EQ(numbers[i], recording_.frames[i].number);
            VX2DFrameResults results(std::uint32_t(recording_.header.cameras.size()));
            ASSERT_TRUE(results.Read(reader_, std::int32_t(i))) << "frame index " << i;
            ExpectFrame(recording_.frames[i], results);
        }
    }

    void ExpectHeaderAsRecorded()
    {
        EXPECT_EQ(reader_.GetNumberOfCameras(), recording_.header.cameras.size());
        std::vector<CameraInfo> infos;
        reader_.GetCameraInfos(infos);
        EXPECT_EQ(infos, ExpectedCameraInfos(recording_));
        EXPECT_EQ(reader_.GetFramePeriod(), 1350000u) << "100 Hz";
    }

    VTempDir dir_;
    std::string path_ = dir_.Path("trial.x2d");
    VX2DRecording recording_ = MakeX2DRecording(3, 4);
    VX2DImport reader_;
};

// Version 2 keeps 32-bit header and index offsets, version 3 64-bit ones.
class X2DVersionTest : public X2DImportTest, public ::testing::WithParamInterface<int>
{
};

TEST_P(X2DVersionTest, RoundTripKeepsCamerasFramesAndOffsetWidth)
{
    VX2DExportOptions options;
    options.version = GetParam();
    ASSERT_TRUE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), IsEmpty());
    EXPECT_EQ(reader_.GetNumberOfFrames(), 4);
    std::int32_t first = 0, last = 0;
    reader_.GetFrameRange(first, last);
    EXPECT_EQ(first, 10);
    EXPECT_EQ(last, 19);
    ExpectHeaderAsRecorded();
    ExpectFramesAsRecorded();

    const VX2DImportImpl& impl = reader_.GetImpl();
    EXPECT_EQ(impl.GetIndexTable().HasOffsets64(), GetParam() >= 3);
    EXPECT_EQ(impl.GetFormats().size(), 5u);
    ASSERT_NE(impl.GetFrameInfoHolder(), nullptr);
    // The table ends the file, so the file size shows the width of the offsets.
    const std::size_t entrySize = GetParam() >= 3 ? 12 : 8;
    EXPECT_EQ(ReadFileBytes(path_).size(), std::size_t(impl.GetIndexOffset()) + 4 + 4 * entrySize);
}

INSTANTIATE_TEST_SUITE_P(Versions, X2DVersionTest, ::testing::Values(-1, 2, 3));

TEST_F(X2DImportTest, ResultsCarryCameraNamesFlagsAndValueD)
{
    ASSERT_TRUE(WriteAndOpen());
    EXPECT_EQ(reader_.GetCameraName(0), "dv:50331648");
    EXPECT_EQ(reader_.GetCameraName(1), "lume:50331647");
    EXPECT_EQ(reader_.GetCameraName(3), "");

    VX2DFrameResults results(3);
    ASSERT_TRUE(results.Read(reader_, 1));
    for (std::uint32_t camera = 0; camera < 3; ++camera)
    {
        const std::string name = reader_.GetCameraName(camera);
        EXPECT_EQ(results.centroidSets[camera]->cameraName, name);
        EXPECT_EQ(results.centroidSets[camera]->valid, 1);
        EXPECT_EQ(results.centroidSets[camera]->valueD, 2.25 * (camera + 1));
        EXPECT_EQ(results.trackSets[camera]->cameraName, name);
        EXPECT_EQ(results.trackSets[camera]->valid, 1);
        EXPECT_EQ(results.blobSets[camera]->cameraName, name);
        EXPECT_EQ(results.edgeSets[camera]->cameraName, name);
    }
}

TEST_F(X2DImportTest, AbsentListsAndEmptyEntriesSkipThoseItems)
{
    ASSERT_TRUE(WriteAndOpen());
    CentroidSetList centroids(1, std::make_shared<CentroidSet>());
    EdgePairSetList edges;
    ASSERT_TRUE(reader_.ReadFrame(2, &centroids, nullptr, nullptr, &edges));
    ASSERT_EQ(centroids.size(), 3u);
    EXPECT_EQ(centroids[0]->centroids, recording_.frames[2].cameras[0].centroids.centroids);
    EXPECT_EQ(centroids[1], nullptr);
    ASSERT_EQ(edges.size(), 3u);
    EXPECT_EQ(edges[2], nullptr);
}

TEST_F(X2DImportTest, UnknownFieldsAndSectionsAreSkipped)
{
    VX2DExportOptions options;
    options.unknownFields = true;
    options.extraSections = {{7, {1, 2, 3, 4, 5}}, {-2, {}}};
    ASSERT_TRUE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), IsEmpty());
    std::vector<std::int16_t> tags;
    for (const VSectionMarker& marker : reader_.GetImpl().GetSectionMarkers())
        tags.push_back(marker.tag);
    EXPECT_THAT(tags, ElementsAre(7, -2, 0));
    EXPECT_EQ(reader_.GetImpl().GetFormats()[0].fields.size(), 7u);
    ExpectHeaderAsRecorded();
    ExpectFramesAsRecorded();
}

TEST_F(X2DImportTest, StartTimecodeIsReadWithTheCameraFramePeriod)
{
    ASSERT_TRUE(WriteAndOpen());
    Timecode timecode;
    EXPECT_FALSE(reader_.GetStartTimecode(timecode)) << "no start timecode header";

    recording_.header.startTimecode = "10 20 30 12 1 1 1 2";
    ASSERT_TRUE(WriteAndOpen());
    EXPECT_TRUE(reader_.GetStartTimecode(timecode));
    EXPECT_EQ(timecode.ToText(), "10 20 30 12 1 1 1 2");
    // 4500000 ticks are no whole number of 100 Hz camera frames.
    EXPECT_EQ(timecode.standard, TimecodeStandard::Timecode30Drift);
    EXPECT_EQ(timecode.subframeOffset, 2252250u);
    EXPECT_EQ(timecode.cameraFramePeriod, 1350000u);
    std::vector<std::int16_t> tags;
    for (const VSectionMarker& marker : reader_.GetImpl().GetSectionMarkers())
        tags.push_back(marker.tag);
    EXPECT_THAT(tags, ElementsAre(0, 1));
}

TEST_F(X2DImportTest, MissingIndexTableIsRebuiltOnlyWhenAsked)
{
    VX2DExportOptions options;
    options.writeIndexTable = false;
    options.headerFrameCount = 77;
    ASSERT_TRUE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kNoIndexTable));
    EXPECT_EQ(reader_.GetNumberOfFrames(), 4);
    ExpectFramesAsRecorded();

    EXPECT_FALSE(WriteAndOpen(options, false));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kNoIndexTable));
}

TEST_F(X2DImportTest, HeaderFrameCountMustMatchTheIndex)
{
    VX2DExportOptions options;
    options.headerFrameCount = 5;
    EXPECT_FALSE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kWrongLength));

    options.headerFrameCount = 0;
    EXPECT_FALSE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kNoFrames, kWrongLength));

    recording_.frames.clear();
    ASSERT_TRUE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kNoFrames));
    EXPECT_EQ(reader_.GetNumberOfFrames(), 0);
    std::int32_t first = 0, last = 0;
    reader_.GetFrameRange(first, last);
    EXPECT_EQ(first, 1);
    EXPECT_EQ(last, 0);
}

TEST_F(X2DImportTest, NewerVersionsAndForeignFilesAreRefused)
{
    VX2DExportOptions options;
    options.version = 4;
    EXPECT_FALSE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Cannot read X2D files of version 4."));

    options.version = 3;
    options.foreignSignature = true;
    EXPECT_FALSE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), IsEmpty());

    EXPECT_FALSE(reader_.Open(dir_.Path("missing.x2d"), true));
    EXPECT_FALSE(reader_.IsOpen());
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("Could not open the file."));
}

TEST_F(X2DImportTest, FileWithoutFrameInformationFillsCamerasButFails)
{
    VX2DExportOptions options;
    options.writeFrameInfo = false;
    ASSERT_TRUE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), IsEmpty());
    EXPECT_EQ(reader_.GetImpl().GetFrameInfoHolder(), nullptr);
    for (std::size_t i = 0; i < recording_.frames.size(); ++i)
    {
        VX2DFrameResults results(3);
        EXPECT_FALSE(results.Read(reader_, std::int32_t(i)));
        ExpectFrame(recording_.frames[i], results);
        EXPECT_EQ(results.centroidSets[0]->valid, 0) << "the results are not finished";
    }
}

TEST_F(X2DImportTest, BlockRunningPastItsCameraRecordEndsThatRecord)
{
    VX2DExportOptions options;
    options.overlongSecondBlockCamera = 1;
    ASSERT_TRUE(WriteAndOpen(options));
    VX2DFrameResults results(3);
    ASSERT_TRUE(results.Read(reader_, 0));
    EXPECT_THAT(reader_.GetErrors(), IsEmpty());
    const VX2DFrame& written = recording_.frames[0];
    EXPECT_EQ(results.centroidSets[1]->centroids, written.cameras[1].centroids.centroids);
    EXPECT_THAT(results.trackSets[1]->tracks, IsEmpty());
    EXPECT_THAT(results.blobSets[1]->blobs, IsEmpty());
    EXPECT_THAT(results.edgeSets[1]->edgePairs, IsEmpty());
    EXPECT_EQ(results.blobSets[1]->frameFlags, 0);
    ExpectCameraItems(written.cameras[0], results, 0);
    ExpectCameraItems(written.cameras[2], results, 2);
}

TEST_F(X2DImportTest, CamerasBeyondTheInformationHeaderGetNoNameAndLargestValueD)
{
    VX2DExportOptions options;
    options.describedCameras = 1;
    ASSERT_TRUE(WriteAndOpen(options));
    VX2DFrameResults results(3);
    ASSERT_TRUE(results.Read(reader_, 3));
    ExpectFrame(recording_.frames[3], results);
    EXPECT_EQ(results.centroidSets[0]->valueD, 2.25);
    EXPECT_EQ(results.centroidSets[2]->valueD, std::numeric_limits<double>::max());
    EXPECT_EQ(results.centroidSets[2]->cameraName, "");
}

TEST_F(X2DImportTest, CamerasWithoutFramesOrInformationOpen)
{
    recording_ = MakeX2DRecording(100, 0);
    VX2DExportOptions options;
    options.describedCameras = 0;
    ASSERT_TRUE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kNoFrames));
    EXPECT_EQ(reader_.GetNumberOfCameras(), 100u);
    EXPECT_EQ(reader_.GetCameraName(99), "");
}

TEST_F(X2DImportTest, CameraListClaimingMoreThanItHoldsIsRefusedBeforeAllocating)
{
    // Cameras of a description without fields take no bytes, yet each is one camera. The header
    // holds a byte for each claimed camera after the list, but the list holds none of them; read
    // from a count alone they would take some 80 MB.
    VX2DExportOptions options;
    options.cameraFields = VDataFormatInfo{std::int16_t(0xCFAA), {}};
    options.claimedCameras = 600000;
    options.trailingSections = {{7, std::vector<std::uint8_t>(700000)}};
    EXPECT_FALSE(WriteAndOpen(options));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre(kTooMany));

    options.claimedCameras.reset();
    options.describedCameras = 0;
    ASSERT_TRUE(WriteAndOpen(options));
    std::vector<CameraInfo> infos;
    reader_.GetCameraInfos(infos);
    EXPECT_THAT(infos, IsEmpty());
    ExpectFramesAsRecorded();
}

TEST_F(X2DImportTest, FrameLookupsOutsideTheIndexFail)
{
    ASSERT_TRUE(WriteAndOpen());
    VX2DFrameResults results(3);
    EXPECT_FALSE(results.Read(reader_, 4));
    EXPECT_FALSE(results.Read(reader_, -1));
    EXPECT_THAT(reader_.GetErrors(), ElementsAre("There is no frame index 4 in the file.",
                                                 "There is no frame index -1 in the file."));
    EXPECT_FALSE(reader_.ReadFrameByNumber(11, &results.centroidSets, nullptr, nullptr, nullptr));
    ASSERT_TRUE(reader_.ReadFrameByNumber(13, &results.centroidSets, &results.trackSets,
                                          &results.blobSets, &results.edgeSets));
    ExpectFrame(recording_.frames[1], results);
}

TEST_F(X2DImportTest, FileCutShortWhileOpenFailsTheReadAndReadingGoesOn)
{
    recording_ = MakeX2DRecording(3, 60);
    ASSERT_TRUE(WriteAndOpen());
    std::filesystem::resize_file(path_, std::filesystem::file_size(path_) / 3);
    VX2DFrameResults results(3);
    EXPECT_FALSE(results.Read(reader_, 59));
    EXPECT_EQ(reader_.GetErrors().back(), kFileChanged);
    ASSERT_TRUE(results.Read(reader_, 0)) << "what is left of the file reads";
    ExpectFrame(recording_.frames[0], results);
    EXPECT_FALSE(results.Read(reader_, 59));
    EXPECT_EQ(reader_.GetErrors().back(), kPastFile);

    // Cut within the page that holds frame 1, two bytes into its first camera record.
    ASSERT_TRUE(WriteAndOpen());
    VIndexTable::VEntry second;
    ASSERT_TRUE(reader_.GetImpl().GetIndexTable().GetEntry(1, second));
    std::filesystem::resize_file(path_, std::uintmax_t(second.offset) + 12);
    EXPECT_FALSE(results.Read(reader_, 1));
    EXPECT_EQ(reader_.GetErrors().back(), kFileChanged);
}

TEST_F(X2DImportTest, FileRewrittenInPlaceWhileOpenFailsCleanlyOrReadsWhatIsThere)
{
    recording_ = MakeX2DRecording(3, 60);
    ASSERT_TRUE(WriteAndOpen());
    const std::string other = dir_.Path("other.x2d");
    ASSERT_TRUE(WriteX2DRecording(other, MakeX2DRecording(1, 2)));
    const std::vector<std::uint8_t> otherBytes = ReadFileBytes(other);
    {
        std::ofstream inPlace(path_, std::ios::binary | std::ios::trunc);
        inPlace.write(reinterpret_cast<const char*>(otherBytes.data()),
                      std::streamsize(otherBytes.size()));
    }
    for (std::int32_t index = 59; index >= 0; --index)
    {
        const std::size_t errors = reader_.GetErrors().size();
        VX2DFrameResults results(3);
        const bool read = results.Read(reader_, index);
        EXPECT_TRUE(read || reader_.GetErrors().size() > errors) << "frame index " << index;
    }
    EXPECT_THAT(reader_.GetErrors(), Contains(kFileChanged));
}

TEST_F(X2DImportTest, WriterReplacingAnOpenFileLeavesTheOpenFileWhole)
{
    ASSERT_TRUE(WriteAndOpen());
    const VX2DRecording second = MakeX2DRecording(1, 2);
    VX2DExport writer;
    ASSERT_TRUE(writer.Open(path_, second.header));
    for (const VX2DFrame& frame : second.frames)
        ASSERT_TRUE(writer.WriteFrame(frame));
    ASSERT_TRUE(writer.Close());
    ExpectFramesAsRecorded();
    EXPECT_THAT(reader_.GetErrors(), IsEmpty());

    recording_ = second;
    ASSERT_TRUE(reader_.Open(path_, true));
    ExpectFramesAsRecorded();
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path()))
        names.push_back(entry.path().filename().string());
    EXPECT_THAT(names, ElementsAre("trial.x2d")) << "no partial file is left";
}

TEST_F(X2DImportTest, ReopeningForgetsTheEarlierFile)
{
    recording_.header.startTimecode = "1 2 3 4 0 1 0 1";
    ASSERT_TRUE(WriteAndOpen());
    recording_ = MakeX2DRecording(1, 2);
    recording_.header.frameRate = 0.0;
    const std::string second = dir_.Path("second.x2d");
    ASSERT_TRUE(WriteX2DRecording(second, recording_));
    ASSERT_TRUE(reader_.Open(second, true));
    EXPECT_EQ(reader_.GetNumberOfCameras(), 1u);
    EXPECT_EQ(reader_.GetFramePeriod(), 0u) << "no usable rate";
    Timecode timecode;
    EXPECT_FALSE(reader_.GetStartTimecode(timecode));
    ExpectFramesAsRecorded();
}
} // namespace
