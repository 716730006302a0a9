#pragma once
// The command line of a seed corpus writer: it takes the corpus folder and writes the seeds into
// it as seed0.EXT, seed1.EXT and so on. Thread-bound to the caller.

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>

namespace SeedCorpus
{
// Writes seed i of `count` to its path with `writeSeed(path, i)`, which says whether it could.
// The exit status: 0 when every seed was written, 1 when one could not be, 2 on a bad command
// line.
inline int Write(int argc, char** argv, std::size_t count, const char* extension,
                 const std::function<bool(const std::string& path, std::size_t index)>& writeSeed)
{
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
        return 2;
    }
    for (std::size_t i = 0; i < count; ++i)
    {
        const std::string path =
            std::string(argv[1]) + "/seed" + std::to_string(i) + "." + extension;
        if (!writeSeed(path, i))
        {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
} // namespace SeedCorpus
