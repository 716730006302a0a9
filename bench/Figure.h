#pragma once
// A benchmark's figures as tagged lines beside its human text, so that scripts/bench gathers
// every benchmark's results without reading the human text:
//
//   figure name=NAME value=VALUE unit=UNIT [baseline=NAME baseline_value=VALUE]
//
// Names and units hold no spaces (dots and underscores instead); the baseline is the figure,
// measured in the same run, that NAME is to be read against. Reentrant: one fprintf per line.

#include <cstdio>
#include <string>

inline void PrintFigure(std::FILE* out, const std::string& name, double value, const char* unit,
                        const std::string& baseline = {}, double baselineValue = 0.0)
{
    if (baseline.empty())
    {
        std::fprintf(out, "figure name=%s value=%.6g unit=%s\n", name.c_str(), value, unit);
        return;
    }
    std::fprintf(out, "figure name=%s value=%.6g unit=%s baseline=%s baseline_value=%.6g\n",
                 name.c_str(), value, unit, baseline.c_str(), baselineValue);
}
