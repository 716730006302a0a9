#pragma once
// The synthetic camera's picture: a grid of centroids whose columns and rows follow the
// camera's "CentroidsX" and "CentroidsY", whose spacing follows its sensor and whose number
// of rows follows the threshold (all rows at the minimum threshold, none at the maximum).
// The "Grid" pattern draws every centroid at its place with radius 2; the "Frame number"
// pattern sizes them by the strobe and moves column j down by half a row step whenever bit
// (j mod 32) of the frame number is 0, so the columns show the frame number in binary.
// Reentrant.

#include "FileIO/X2DIO/CameraFrameData.h"
#include "devices/camera/CameraSettings.h"

#include <cstdint>
#include <vector>

namespace SynthGrid
{
constexpr int kFrameNumberPattern = 0;
constexpr int kGridPattern = 1;

struct Geometry
{
    int columns = 0;
    int rows = 0;
    // Pixels between neighbouring columns and rows.
    std::int64_t columnStep = 0;
    std::int64_t rowStep = 0;
};

// Rows and steps for `settings`. No rows when the threshold range is empty; the row count
// is held within 0 … "CentroidsY" when the threshold lies outside its range; no columns
// (and so no grid) when "CentroidsX" is 0.
Geometry GeometryOf(const VCameraSettings& settings);

// Replaces `grid` with the centroids of frame `frame`, row by row, each row from left to
// right. Keeps the vector's storage, so a grid of the same size costs no allocation.
void Build(const VCameraSettings& settings, std::uint32_t frame,
           std::vector<X2DIO::Centroid>& grid);
} // namespace SynthGrid
