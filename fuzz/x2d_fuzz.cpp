// Feeds arbitrary bytes to the X2D reader: Open with index rebuilding, the header queries, then
// ReadFrame over every index entry into result objects for every camera the frame holds. Small
// mapping windows make the reader cross window borders often.
//
// Build and run with clang (scripts/fuzz does this for every target):
//   CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
//   ninja -C build/fuzz x2d_fuzz x2d_seed
//   build/fuzz/fuzz/x2d_seed /tmp/x2d_corpus
//   build/fuzz/fuzz/x2d_fuzz /tmp/x2d_corpus -max_total_time=120 -malloc_limit_mb=256

#include "FuzzInputFile.h"

#include "FileIO/X2DIO/X2DImport.h"
#include "FileIO/X2DIO/X2DImportImpl.h"
#include "FileIO/X2DIO/X2DWholeFrame.h"

using namespace X2DIO;

namespace
{
void ReadEverything(VX2DImport& reader)
{
    std::int32_t first = 0, last = 0;
    reader.GetFrameRange(first, last);
    Timecode timecode;
    reader.GetStartTimecode(timecode);
    std::vector<CameraInfo> infos;
    reader.GetCameraInfos(infos);
    const std::size_t entries = reader.GetImpl().GetIndexTable().GetCount();
    VX2DWholeFrame frame;
    for (std::size_t i = 0; i < entries; ++i)
        frame.Read(reader, std::int32_t(i));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = FuzzInputFile::Path("x2d");
    if (!FuzzInputFile::Write(path, data, size))
        return 0;
    VX2DImport reader(1);
    if (reader.Open(path, true))
        ReadEverything(reader);
    reader.Close();
    std::remove(path.c_str());
    return 0;
}
