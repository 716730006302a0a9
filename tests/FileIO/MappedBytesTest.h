#pragma once
// Test fixture for the record decoders: bytes are written to a file, mapped and read from the
// start, the way a reader meets them.

#include "TestFiles.h"

#include "FileIO/BoundedReader.h"
#include "FileIO/ByteWriter.h"
#include "Utils/UtilsIO/MemoryMappedStream.h"

#include <gtest/gtest.h>

#include <string>

class VMappedBytesTest : public ::testing::Test
{
protected:
    // Maps what `bytes` holds and hands back the reader, rewound to the first byte.
    VBoundedReader& ReaderOver(const VByteWriter& bytes)
    {
        // The file is replaced, so the earlier mapping must go first.
        stream_.Close();
        WriteFileBytes(path_, bytes.GetBytes());
        EXPECT_TRUE(stream_.Open(path_));
        reader_.Rewind();
        return reader_;
    }

    VTempDir dir_;
    std::string path_ = dir_.Path("records.bin");
    UtilsIO::VMemoryMappedFileReadOnly stream_{1, 2};
    VBoundedReader reader_{stream_};
};
