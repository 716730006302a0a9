// The synthetic camera's picture without any socket: the grid that the sensor, the grid size
// and the threshold give, its two patterns, and the shaded discs of its greyscale image.

#include "devices/camera/GreyscaleDiscs.h"
#include "devices/camera/SynthGrid.h"

#include <gtest/gtest.h>

namespace
{
// A LumeD (2352 x 1728) with the synthetic camera's defaults.
VCameraSettings LumeD(int gridType = SynthGrid::kGridPattern)
{
    VCameraSettings settings;
    settings.sensorWidth = 2352;
    settings.sensorHeight = 1728;
    settings.centroidsX = 25;
    settings.centroidsY = 25;
    settings.minThreshold = 0;
    settings.maxThreshold = 255;
    settings.threshold = 128;
    settings.strobe = 500;
    settings.gridType = gridType;
    return settings;
}

std::vector<X2DIO::Centroid> Grid(const VCameraSettings& settings, std::uint32_t frame = 0)
{
    std::vector<X2DIO::Centroid> grid;
    SynthGrid::Build(settings, frame, grid);
    return grid;
}

std::size_t RowsOf(const VCameraSettings& settings)
{
    return Grid(settings).size() / std::size_t(std::max(1, settings.centroidsX));
}
} // namespace

TEST(SynthGrid, DefaultLumeDGridHasTwelveRowsSpacedBySensor)
{
    const SynthGrid::Geometry geometry = SynthGrid::GeometryOf(LumeD());
    EXPECT_EQ(geometry.rows, 12); // 25 x 127 / 255
    EXPECT_EQ(geometry.columnStep, 92);
    EXPECT_EQ(geometry.rowStep, 51);
    const std::vector<X2DIO::Centroid> grid = Grid(LumeD());
    ASSERT_EQ(grid.size(), 300u);
    EXPECT_EQ(grid.front().x, 92.0);
    EXPECT_EQ(grid.front().y, 51.0);
    EXPECT_EQ(grid[1].x, 184.0) << "row-major: the second centroid is the next column";
    EXPECT_EQ(grid[25].y, 102.0);
    EXPECT_EQ(grid.back().x, 2300.0);
    EXPECT_EQ(grid.back().y, 612.0);
    for (const X2DIO::Centroid& centroid : grid)
    {
        EXPECT_EQ(centroid.radius, 2.0);
        EXPECT_EQ(centroid.quality, 100.0f);
    }
}

TEST(SynthGrid, ThresholdRemovesRowsFromTheBottomAndOddRangesDrawSoundly)
{
    VCameraSettings settings = LumeD();
    settings.threshold = settings.minThreshold;
    EXPECT_EQ(RowsOf(settings), 25u);
    settings.threshold = settings.maxThreshold;
    EXPECT_EQ(RowsOf(settings), 0u);
    settings.threshold = -100;
    EXPECT_EQ(RowsOf(settings), 25u) << "below the range: all rows";
    settings.threshold = 1000;
    EXPECT_EQ(RowsOf(settings), 0u) << "above the range: none";
    settings.minThreshold = settings.maxThreshold = 128;
    EXPECT_TRUE(Grid(settings).empty()) << "an empty threshold range";
    settings = LumeD();
    settings.maxThreshold = 100;
    settings.minThreshold = 200;
    settings.threshold = 150;
    EXPECT_EQ(RowsOf(settings), 12u) << "a reversed range still counts its rows";
    settings = LumeD();
    settings.centroidsX = 0;
    EXPECT_TRUE(Grid(settings).empty());
    settings = LumeD();
    settings.centroidsY = 0;
    EXPECT_TRUE(Grid(settings).empty());
    settings = LumeD();
    settings.maxThreshold = 2000000000;
    settings.minThreshold = -2000000000;
    settings.threshold = -2000000000;
    EXPECT_EQ(RowsOf(settings), 25u) << "no overflow on extreme thresholds";
}

// Frame 5 is binary 101: columns 0 and 2 stay on their row, column 1 and every column from
// 3 on move down by half a row step. Before the move the grid is the "Grid" pattern's.
TEST(SynthGrid, FrameNumberPatternShowsTheFrameInBinaryAndSizesByStrobe)
{
    const std::vector<X2DIO::Centroid> frame5 = Grid(LumeD(SynthGrid::kFrameNumberPattern), 5);
    const std::vector<X2DIO::Centroid> grid = Grid(LumeD());
    ASSERT_EQ(frame5.size(), grid.size());
    for (std::size_t i = 0; i < grid.size(); ++i)
    {
        const std::size_t column = i % 25;
        const double shift = column == 0 || column == 2 ? 0.0 : 25.0;
        EXPECT_EQ(frame5[i].x, grid[i].x);
        EXPECT_EQ(frame5[i].y, grid[i].y + shift) << "column " << column;
        EXPECT_EQ(frame5[i].radius, 9.0) << "500 / 80 + 3";
    }
    EXPECT_EQ(frame5.back().y, 612.0 + 25.0);
    const std::vector<X2DIO::Centroid> frame6 = Grid(LumeD(SynthGrid::kFrameNumberPattern), 6);
    EXPECT_EQ(frame6[0].y, 51.0 + 25.0) << "column 0 toggles every frame";
    EXPECT_EQ(frame6[1].y, 51.0);

    VCameraSettings settings = LumeD(SynthGrid::kFrameNumberPattern);
    settings.centroidsX = 40;
    settings.sensorWidth = 4096;
    const std::vector<X2DIO::Centroid> wide = Grid(settings, 1u << 3);
    EXPECT_EQ(wide[3].y, wide[35].y) << "column 35 shows bit 3 again";
    EXPECT_LT(wide[3].y, wide[4].y);
}

TEST(GreyscaleDiscs, DiscIsShadedFromCentreToRim)
{
    VGreyscaleDiscs discs;
    const std::vector<X2DIO::Centroid> grid = Grid(LumeD(SynthGrid::kFrameNumberPattern), 5);
    const X2DIO::GreyscaleBlobSet& drawn = discs.Draw({grid[0]}, 0, 4000);
    const std::vector<VGreyscaleDiscs::TemplateLine>& lines = discs.GetTemplate();
    ASSERT_EQ(lines.size(), 19u) << "rows -9 ... 9";
    EXPECT_EQ(lines.front().dy, -9);
    EXPECT_EQ(lines.back().dy, 9);
    EXPECT_EQ(lines.front().pixelCount, 1u);
    const VGreyscaleDiscs::TemplateLine& middle = lines[9];
    EXPECT_EQ(middle.dy, 0);
    EXPECT_EQ(middle.firstDx, -9);
    ASSERT_EQ(middle.pixelCount, 19u);
    const std::uint8_t* row = drawn.pixels.data() + middle.pixelOffset;
    EXPECT_EQ(row[9], 255) << "centre";
    EXPECT_EQ(row[0], 0) << "rim";
    EXPECT_EQ(row[18], 0);
    EXPECT_EQ(row[8], 226) << "(1 - 1/9) x 255, truncated";
    for (const VGreyscaleDiscs::TemplateLine& line : lines)
        EXPECT_EQ(line.firstDx + line.pixelCount - 1, -line.firstDx) << "symmetric";

    ASSERT_EQ(drawn.lines.size(), 19u);
    EXPECT_EQ(drawn.lines[9].x, 92 - 9);
    EXPECT_EQ(drawn.lines[9].y, 51);
}

// Lines go out by row; lines of one row keep the order of their centroids in the grid, even
// where that puts a line further right first.
TEST(GreyscaleDiscs, LinesAreOrderedByRowThenGridOrder)
{
    const std::vector<X2DIO::Centroid> grid = {
        {100.0, 20.0, 1.0, 100.0f}, {50.0, 21.0, 1.0, 100.0f}, {10.0, 1.0, 1.0, 100.0f}};
    VGreyscaleDiscs discs;
    const X2DIO::GreyscaleBlobSet& drawn = discs.Draw(grid, 0, 4000);
    std::vector<std::pair<int, int>> order;
    for (const X2DIO::GreyscaleLine& line : drawn.lines)
        order.emplace_back(line.y, line.x);
    const std::vector<std::pair<int, int>> expected = {
        {0, 10}, {1, 9}, {2, 10}, {19, 100}, {20, 99}, {20, 50}, {21, 100}, {21, 49}, {22, 50}};
    EXPECT_EQ(order, expected);

    const X2DIO::GreyscaleBlobSet& fromSecond = discs.Draw(grid, 1, 4000);
    EXPECT_EQ(fromSecond.lines.size(), 6u) << "discs from the given centroid on";
    const std::vector<X2DIO::Centroid> nearTop = {{10.0, 0.0, 1.0, 100.0f}};
    EXPECT_EQ(discs.Draw(nearTop, 0, 4000).lines.back().y, 0xFFFF) << "rows wrap at 16 bits";
}

TEST(GreyscaleDiscs, DiscsThatCannotGoOutAreNotDrawn)
{
    VGreyscaleDiscs discs;
    const std::vector<X2DIO::Centroid> nine = {{100.0, 100.0, 9.0, 100.0f}};
    EXPECT_TRUE(discs.Draw(nine, 0, 18).lines.empty()) << "19 pixels wide, 18 fit";
    EXPECT_EQ(discs.Draw(nine, 0, 19).lines.size(), 19u);
    EXPECT_TRUE(discs.Draw(nine, 1, 4000).lines.empty()) << "no centroid from index 1 on";
    const std::vector<X2DIO::Centroid> none = {{100.0, 100.0, 0.0, 100.0f}};
    EXPECT_TRUE(discs.Draw(none, 0, 4000).lines.empty());
    const std::vector<X2DIO::Centroid> huge = {{100.0, 100.0, 4294967287.0, 100.0f}};
    EXPECT_TRUE(discs.Draw(huge, 0, 4000).lines.empty()) << "a strobe far out of range";
}
