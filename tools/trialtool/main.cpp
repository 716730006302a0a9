// trialtool: inspects recorded trial files and writes synthetic ones; see TrialTool.h.

#include "tools/trialtool/TrialTool.h"

#include <iostream>

int main(int argc, char** argv)
{
    const std::vector<std::string> words(argv + 1, argv + argc);
    return TrialTool::RunTrialTool(words, std::cout, std::cerr);
}
