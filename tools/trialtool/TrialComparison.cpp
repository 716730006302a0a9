#include "tools/trialtool/TrialComparison.h"

#include <algorithm>
#include <set>
#include <unordered_map>

namespace TrialTool
{
TrialComparison::TrialComparison(ComparedTrial& a, ComparedTrial& b, ComparisonOptions options,
                                 std::ostream& out)
    : a_(a), b_(b), options_(options), out_(out)
{
}

bool TrialComparison::Run(ProgressLine& progress, std::string& error)
{
    MatchDevices();
    return options_.replay ? CompareReplay(progress, error) : CompareByNumber(progress, error);
}

bool TrialComparison::Report(const std::string& text)
{
    if (Stopped())
        return false;
    out_ << text << "\n";
    if (++counts_.differences >= options_.maxDifferences)
        counts_.stopped = true;
    return !Stopped();
}

void TrialComparison::MatchDevices()
{
    const std::vector<std::uint32_t> devicesB = b_.Devices();
    std::vector<bool> matchedB(devicesB.size(), false);
    const std::size_t countA = a_.Devices().size();
    const std::string noun = a_.DeviceNoun();
    for (std::size_t positionA = 0; positionA < countA; ++positionA)
    {
        const std::uint32_t identifier =
            options_.replay ? a_.ReplayedIdentifier(positionA) : a_.Devices()[positionA];
        const auto found = std::find(devicesB.begin(), devicesB.end(), identifier);
        if (found == devicesB.end())
        {
            Report(noun + " " + std::to_string(identifier) + ": missing in B");
            continue;
        }
        const auto positionB = std::size_t(found - devicesB.begin());
        matchedB[positionB] = true;
        pairs_.push_back({positionA, positionB, identifier});
    }
    for (std::size_t positionB = 0; positionB < devicesB.size(); ++positionB)
        if (!matchedB[positionB])
            Report(noun + " " + std::to_string(devicesB[positionB]) + ": only in B");
    counts_.devices = pairs_.size();
}

bool TrialComparison::CompareByNumber(ProgressLine& progress, std::string& error)
{
    const std::vector<std::int32_t> numbersA = a_.FrameNumbers();
    const std::vector<std::int32_t> numbersB = b_.FrameNumbers();
    std::unordered_map<std::int32_t, std::int32_t> indexB;
    for (std::size_t index = 0; index < numbersB.size(); ++index)
        indexB.emplace(numbersB[index], std::int32_t(index));
    for (std::size_t index = 0; index < numbersA.size() && !Stopped(); ++index)
    {
        progress.Update(index);
        const std::string label = "frame " + std::to_string(numbersA[index]);
        const auto found = indexB.find(numbersA[index]);
        if (found == indexB.end())
            Report(label + ": missing in B");
        else if (!CompareFrames(std::int32_t(index), found->second, label, false, error))
            return false;
    }
    ReportUnmatchedB(numbersA);
    return true;
}

void TrialComparison::ReportUnmatchedB(const std::vector<std::int32_t>& numbersA)
{
    const std::set<std::int32_t> inA(numbersA.begin(), numbersA.end());
    for (std::int32_t number : b_.FrameNumbers())
        if (!inA.count(number) && !Report("frame " + std::to_string(number) + ": only in B"))
            return;
}

bool TrialComparison::CompareReplay(ProgressLine& progress, std::string& error)
{
    const std::vector<std::int32_t> numbersA = a_.FrameNumbers();
    const std::vector<std::int32_t> numbersB = b_.FrameNumbers();
    if (numbersA.empty())
    {
        for (std::int32_t number : numbersB)
            Report("frame " + std::to_string(number) + ": A has no frame to replay");
        return true;
    }
    for (std::size_t index = 0; index < numbersB.size() && !Stopped(); ++index)
    {
        progress.Update(index);
        const auto number = std::uint32_t(numbersB[index]);
        if (index > 0 && number > std::uint32_t(numbersB[index - 1]) + 1 &&
            !Report("frames " + std::to_string(std::uint32_t(numbersB[index - 1]) + 1) + " to " +
                    std::to_string(number - 1) + ": missing in B"))
            break;
        const std::uint32_t indexA = number % std::uint32_t(numbersA.size());
        const std::string label = "frame " + std::to_string(number) + " (A frame " +
                                  std::to_string(numbersA[indexA]) + ")";
        const bool emptyAllowed = a_.ReplaySendsEmptyWrapFrame() && (index == 0 || indexA == 0);
        if (!CompareFrames(std::int32_t(indexA), std::int32_t(index), label, emptyAllowed, error))
            return false;
    }
    return true;
}

bool TrialComparison::CompareFrames(std::int32_t indexA, std::int32_t indexB,
                                    const std::string& label, bool emptyAllowed, std::string& error)
{
    if (!a_.Load(indexA, error) || !b_.Load(indexB, error))
    {
        error = label + ": " + error;
        return false;
    }
    ++counts_.frames;
    bool wrapFrame = false;
    for (const DevicePair& pair : pairs_)
    {
        if (emptyAllowed && b_.DeviceIsEmpty(pair.b))
        {
            wrapFrame = true;
            continue;
        }
        if (const std::optional<ItemDifference> difference =
                a_.Compare(pair.a, b_, pair.b, options_.tolerance, counts_.items))
            if (!Report(std::string(a_.DeviceNoun()) + " " + std::to_string(pair.identifier) + " " +
                        label + ": " + difference->what + " " + difference->mine + " vs " +
                        difference->theirs))
                break;
    }
    counts_.wrapFrames += wrapFrame;
    return true;
}
} // namespace TrialTool
