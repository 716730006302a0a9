#pragma once
// The synthetic camera's greyscale picture: one shaded disc per centroid (255 at the
// centre, falling to near 0 at the rim), all of one size, taken from the radius of the
// first centroid of the grid. The lines of all discs come out ordered by row, lines of one
// row in the order of their centroids in the grid. The disc's shape is kept until the
// radius changes, and all buffers are kept from frame to frame.
//
// Thread rules: thread-bound to the thread producing its source's frames.

#include "FileIO/X2DIO/CameraFrameData.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class VGreyscaleDiscs
{
public:
    // Beyond this radius no disc is drawn: a frame of such discs would hold more lines
    // than its datagrams can count.
    static constexpr int kMaxRadius = 255;

    // One template line: the pixels of row `dy` of the disc, from column `firstDx` on.
    struct TemplateLine
    {
        int dy = 0;
        int firstDx = 0;
        std::uint32_t pixelOffset = 0;
        std::uint16_t pixelCount = 0;
    };

    // The discs of grid[first …], each line at most `maxLineWidth` pixels: a disc wider
    // than that, or of no size, is not drawn. The lines' pixels are the set's pixels.
    const X2DIO::GreyscaleBlobSet& Draw(const std::vector<X2DIO::Centroid>& grid, std::size_t first,
                                        std::size_t maxLineWidth);

    // The disc last drawn.
    const std::vector<TemplateLine>& GetTemplate() const { return template_; }

private:
    void MakeTemplate(std::int32_t radiusField);
    void AddTemplateRow(int dy, int reach, double radius);
    void PlaceLines(const std::vector<X2DIO::Centroid>& grid, std::size_t first);
    void SortLinesByRow();

    std::int32_t radiusField_ = -1;
    int reach_ = 0; // the rounded radius of the template
    std::vector<TemplateLine> template_;
    std::vector<X2DIO::GreyscaleLine> placed_;    // grid order
    std::vector<X2DIO::GreyscaleLine> byLowByte_; // halfway sorted by row
    X2DIO::GreyscaleBlobSet discs_;               // pixels: the template's
};
