#pragma once
// The custom header (identifier 1) of an X2D file that holds the start timecode as text; see
// Timecode for the text form and how it is read.
//
// Thread rules: thread-bound to the reader or writer it is registered with.

#include "FileIO/FramePlugins.h"

#include <string>

namespace X2DIO
{
class VStartTimecodeHeader : public ICustomHeader
{
public:
    static constexpr std::int16_t kIdentifier = 1;
    static constexpr std::int16_t kTextKey = std::int16_t(0x5C01);

    // {0x5CAA, {0x5C01, variable}}.
    static VDataFormatInfo DefaultFormat();

    explicit VStartTimecodeHeader(VDataFormatInfo format = DefaultFormat());

    std::int16_t GetIdentifier() const override { return kIdentifier; }
    bool Read(VBoundedReader& reader) override;
    void Write(VByteWriter& writer) const override;

    // Empty when the file has no start timecode.
    const std::string& GetText() const { return text_; }
    void SetText(std::string text) { text_ = std::move(text); }

private:
    VDataFormatInfo format_;
    std::string text_;
};
} // namespace X2DIO
