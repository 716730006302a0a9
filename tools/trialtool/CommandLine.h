#pragma once
// The words of one sub-command split into positional words and "--name value" options.
// Only the options the sub-command declares are accepted. Mistakes throw UsageError. Thread-bound
// to its owner.

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace TrialTool
{
class CommandLine
{
public:
    // `switches` are options that take no value; Option() gives them as "".
    CommandLine(const std::vector<std::string>& words, const std::set<std::string>& options,
                const std::set<std::string>& switches = {});

    // Throws unless there are exactly `count` positional words.
    const std::vector<std::string>& Positionals(std::size_t count) const;
    std::optional<std::string> Option(const std::string& name) const;

private:
    void TakeOption(const std::vector<std::string>& words, std::size_t& index,
                    const std::set<std::string>& options);

    std::set<std::string> switches_;
    std::vector<std::string> positionals_;
    std::map<std::string, std::string> options_;
};
} // namespace TrialTool
