#include "devices/camera/SynthGrid.h"

#include <algorithm>

namespace SynthGrid
{
namespace
{
constexpr float kQuality = 100.0f;
constexpr double kGridRadius = 2.0;

// 64-bit intermediates: a threshold or sensor size set far outside its usual range cannot
// overflow, and within it the results are those of 32-bit arithmetic.
std::int64_t RowCount(const VCameraSettings& settings)
{
    const std::int64_t range = std::int64_t(settings.maxThreshold) - settings.minThreshold;
    if (range == 0)
        return 0;
    const std::int64_t rows = std::int64_t(settings.centroidsY) *
                              (std::int64_t(settings.maxThreshold) - settings.threshold) / range;
    return std::clamp<std::int64_t>(rows, 0, std::max(0, settings.centroidsY));
}

// The strobe's radius: S / 80 + 3, taken as unsigned.
double FrameNumberRadius(int strobe)
{
    return double(static_cast<std::uint32_t>(strobe / 80 + 3));
}
} // namespace

Geometry GeometryOf(const VCameraSettings& settings)
{
    Geometry geometry;
    if (settings.centroidsX <= 0 || settings.centroidsY <= 0)
        return geometry;
    geometry.columns = settings.centroidsX;
    geometry.rows = static_cast<int>(RowCount(settings));
    geometry.columnStep = std::int64_t(settings.sensorWidth) / settings.centroidsX - 2;
    geometry.rowStep =
        std::int64_t(settings.sensorHeight) * 3 / (std::int64_t(settings.centroidsY) * 4);
    return geometry;
}

void Build(const VCameraSettings& settings, std::uint32_t frame, std::vector<X2DIO::Centroid>& grid)
{
    grid.clear();
    const Geometry geometry = GeometryOf(settings);
    const bool showsFrame = settings.gridType != kGridPattern;
    const double radius = showsFrame ? FrameNumberRadius(settings.strobe) : kGridRadius;
    for (int row = 0; row < geometry.rows; ++row)
        for (int column = 0; column < geometry.columns; ++column)
        {
            std::int64_t y = (row + 1) * geometry.rowStep;
            if (showsFrame && ((frame >> (column % 32)) & 1) == 0)
                y += geometry.rowStep / 2;
            grid.push_back(
                {double((column + 1) * geometry.columnStep), double(y), radius, kQuality});
        }
}
} // namespace SynthGrid
