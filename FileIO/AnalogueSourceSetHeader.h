#pragma once
// The custom header (identifier 0) of an X1D file that lists the recorded analogue devices:
// one source set per device, each with its sources. The clock is not stored in the file.
//
// Thread rules: thread-bound to the reader or writer it is registered with; copies are
// independent values.

#include "FileIO/AnalogueSourceSetSpec.h"
#include "FileIO/FramePlugins.h"

#include <cstdint>
#include <optional>
#include <vector>

// The field lists this header writes: the header itself, each source set and each source.
// Writers may add fields; fields without data are written as filler.
struct VAnalogueSourceSetFormats
{
    VDataFormatInfo header;
    VDataFormatInfo sourceSet;
    VDataFormatInfo source;

    static VAnalogueSourceSetFormats Default();
};

class VAnalogueSourceSetHeader : public ICustomHeader
{
public:
    static constexpr std::int16_t kIdentifier = 0;
    static constexpr std::int64_t kDefaultClock = 135000000;

    explicit VAnalogueSourceSetHeader(
        VAnalogueSourceSetFormats formats = VAnalogueSourceSetFormats::Default());

    std::int16_t GetIdentifier() const override { return kIdentifier; }
    bool Read(VBoundedReader& reader) override;
    void Write(VByteWriter& writer) const override;

    std::int64_t GetClock() const { return clock_; }
    void SetClock(std::int64_t clock) { clock_ = clock; }
    const std::vector<VAnalogueSourceSetSpec>& GetSourceSets() const { return sourceSets_; }
    void SetSourceSets(std::vector<VAnalogueSourceSetSpec> sets) { sourceSets_ = std::move(sets); }
    // For writers of damaged files: the list claims `count` sets, whatever it holds.
    void ClaimSourceSetCount(std::uint32_t count) { claimedCount_ = count; }

private:
    bool ReadSourceSetList(VBoundedReader& reader);
    bool ReadSourceSets(VBoundedReader& reader);
    bool ReadSourceSet(VBoundedReader& reader, VAnalogueSourceSetSpec& set) const;
    bool ReadSourceSetField(VBoundedReader& reader, const VFieldDescriptor& field,
                            VAnalogueSourceSetSpec& set) const;
    bool ReadSourceList(VBoundedReader& reader, std::vector<VAnalogueSourceSpec>& sources) const;
    bool ReadSources(VBoundedReader& reader, std::vector<VAnalogueSourceSpec>& sources) const;
    bool ReadSource(VBoundedReader& reader, const VDataFormatInfo& format,
                    VAnalogueSourceSpec& source) const;

    void WriteSourceSetList(VByteWriter& writer) const;
    void WriteSourceSet(VByteWriter& writer, const VAnalogueSourceSetSpec& set) const;
    void WriteSourceSetField(VByteWriter& writer, const VFieldDescriptor& field,
                             const VAnalogueSourceSetSpec& set) const;
    void WriteSourceList(VByteWriter& writer,
                         const std::vector<VAnalogueSourceSpec>& sources) const;

    VAnalogueSourceSetFormats formats_;
    std::int64_t clock_ = kDefaultClock;
    std::vector<VAnalogueSourceSetSpec> sourceSets_;
    std::optional<std::uint32_t> claimedCount_;
};
