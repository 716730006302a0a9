#include "tools/trialtool/CommandLine.h"

#include "tools/trialtool/UsageError.h"

namespace TrialTool
{
namespace
{
bool LooksLikeOption(const std::string& word)
{
    return word.size() > 1 && word[0] == '-' && !(word[1] >= '0' && word[1] <= '9');
}
} // namespace

CommandLine::CommandLine(const std::vector<std::string>& words,
                         const std::set<std::string>& options,
                         const std::set<std::string>& switches)
    : switches_(switches)
{
    for (std::size_t index = 0; index < words.size(); ++index)
    {
        if (LooksLikeOption(words[index]))
            TakeOption(words, index, options);
        else
            positionals_.push_back(words[index]);
    }
}

void CommandLine::TakeOption(const std::vector<std::string>& words, std::size_t& index,
                             const std::set<std::string>& options)
{
    const std::string& name = words[index];
    if (options.count(name) == 0 && switches_.count(name) == 0)
        throw UsageError("unknown option " + name);
    if (options_.count(name) != 0)
        throw UsageError(name + " given twice");
    if (switches_.count(name) != 0)
    {
        options_[name] = "";
        return;
    }
    if (index + 1 == words.size())
        throw UsageError(name + " needs a value");
    options_[name] = words[++index];
}

const std::vector<std::string>& CommandLine::Positionals(std::size_t count) const
{
    if (positionals_.size() < count)
        throw UsageError("missing file name");
    if (positionals_.size() > count)
        throw UsageError("unexpected argument '" + positionals_[count] + "'");
    return positionals_;
}

std::optional<std::string> CommandLine::Option(const std::string& name) const
{
    const auto found = options_.find(name);
    if (found == options_.end())
        return std::nullopt;
    return found->second;
}
} // namespace TrialTool
