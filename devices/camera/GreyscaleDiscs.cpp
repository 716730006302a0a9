#include "devices/camera/GreyscaleDiscs.h"

#include "devices/camera/CameraPackets.h"

#include <array>
#include <cmath>

const X2DIO::GreyscaleBlobSet& VGreyscaleDiscs::Draw(const std::vector<X2DIO::Centroid>& grid,
                                                     std::size_t first, std::size_t maxLineWidth)
{
    discs_.lines.clear();
    if (grid.empty() || first >= grid.size())
        return discs_;
    const std::int32_t radiusField = CameraPackets::ToFixed8(grid.front().radius);
    if (radiusField != radiusField_)
        MakeTemplate(radiusField);
    if (template_.empty() || std::size_t(2 * reach_ + 1) > maxLineWidth)
        return discs_;
    PlaceLines(grid, first);
    SortLinesByRow();
    return discs_;
}

// A pixel belongs to the disc when it lies within the rounded radius and within the exact
// one; its value falls from 255 at the centre to 0 at the exact radius.
void VGreyscaleDiscs::MakeTemplate(std::int32_t radiusField)
{
    radiusField_ = radiusField;
    template_.clear();
    discs_.pixels.clear();
    const double radius = radiusField / 256.0;
    reach_ = static_cast<int>(std::lround(radius));
    if (radius <= 0.0 || reach_ > kMaxRadius)
        return;
    for (int dy = -reach_; dy <= reach_; ++dy)
        AddTemplateRow(dy, reach_, radius);
}

void VGreyscaleDiscs::AddTemplateRow(int dy, int reach, double radius)
{
    TemplateLine line;
    line.dy = dy;
    line.pixelOffset = static_cast<std::uint32_t>(discs_.pixels.size());
    for (int dx = -reach; dx <= reach; ++dx)
    {
        const int squared = dx * dx + dy * dy;
        const double distance = std::sqrt(double(squared));
        if (squared > reach * reach || distance > radius)
            continue;
        if (line.pixelCount == 0)
            line.firstDx = dx;
        ++line.pixelCount;
        const auto value = static_cast<std::int32_t>((1.0 - distance / radius) * 255.0);
        discs_.pixels.push_back(static_cast<std::uint8_t>(value & 0xFF));
    }
    if (line.pixelCount > 0)
        template_.push_back(line);
}

// Positions in whole pixels, wrapping at 16 bits as the line fields do.
void VGreyscaleDiscs::PlaceLines(const std::vector<X2DIO::Centroid>& grid, std::size_t first)
{
    placed_.clear();
    for (std::size_t i = first; i < grid.size(); ++i)
    {
        const std::int32_t x = CameraPackets::ToFixed8(grid[i].x) >> 8;
        const std::int32_t y = CameraPackets::ToFixed8(grid[i].y) >> 8;
        for (const TemplateLine& line : template_)
            placed_.push_back({static_cast<std::uint16_t>(x + line.firstDx),
                               static_cast<std::uint16_t>(y + line.dy), line.pixelCount,
                               line.pixelOffset});
    }
}

namespace
{
// One stable counting pass by the byte of the row at `shift`.
void SortByRowByte(const std::vector<X2DIO::GreyscaleLine>& from,
                   std::vector<X2DIO::GreyscaleLine>& to, int shift)
{
    std::array<std::size_t, 257> start{};
    for (const X2DIO::GreyscaleLine& line : from)
        ++start[((line.y >> shift) & 0xFF) + 1];
    for (std::size_t byte = 0; byte < 256; ++byte)
        start[byte + 1] += start[byte];
    for (const X2DIO::GreyscaleLine& line : from)
        to[start[(line.y >> shift) & 0xFF]++] = line;
}
} // namespace

// Stable, so lines of one row keep their grid order; in time linear in the lines, with
// buffers kept from frame to frame.
void VGreyscaleDiscs::SortLinesByRow()
{
    byLowByte_.resize(placed_.size());
    discs_.lines.resize(placed_.size());
    SortByRowByte(placed_, byLowByte_, 0);
    SortByRowByte(byLowByte_, discs_.lines, 8);
}
