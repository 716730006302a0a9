#include "diagnostics/LogCategorised.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace Qelt
{
namespace
{

// A path given by a caller built elsewhere may be absolute; the part below the repository root
// is what identifies the source, so it starts at the first known top-level folder. Source texts
// that name no such folder ("EventSystem/Invoke") pass unchanged.
std::string_view ShortSourcePath(std::string_view path)
{
    static const char* const topFolders[] = {"app/",      "devices/",   "FileIO/", "Utils/",
                                             "params/",   "Framework/", "net/",    "diagnostics/",
                                             "cgstream/", "tools/"};
    auto start = std::string_view::npos;
    for (const char* folder : topFolders)
    {
        for (auto at = path.find(folder); at != std::string_view::npos;
             at = path.find(folder, at + 1))
        {
            if (at == 0 || path[at - 1] == '/')
            {
                start = std::min(start, at);
                break;
            }
        }
    }
    return start == std::string_view::npos ? path : path.substr(start);
}

// A message streamed with std::endl must still make exactly one line.
std::string_view WithoutTrailingNewlines(std::string_view message)
{
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r'))
    {
        message.remove_suffix(1);
    }
    return message;
}

} // namespace

// Immutable after construction, hence safe to read from any thread without the log's lock.
class LogCategorised::Category final : public ILogCategorised::ICategory
{
public:
    Category(std::string name, int level) : name_(std::move(name)), level_(level) {}

    int GetLevel() const override { return level_; }
    const std::string& GetName() const override { return name_; }

private:
    const std::string name_;
    const int level_;
};

LogCategorised::LogCategorised(const std::string& configText, std::ostream& out)
    : LogCategorised(ParseLogConfig(configText), out)
{
}

LogCategorised::LogCategorised(const LogConfig& config, std::ostream& out)
    : thresholds_(config.thresholds), out_(out)
{
    for (const auto& bad : config.malformed)
    {
        out_ << "Warning: BRISEL_LOG entry \"" << bad.entry << "\" ignored: " << bad.reason << '\n';
    }
    out_.flush();
}

LogCategorised::~LogCategorised() = default;

ILogCategorised::ICategory& LogCategorised::GetCategory(const std::string& name)
{
    std::lock_guard<std::mutex> lock(mutex_);
    auto& category = categories_[name];
    if (!category)
    {
        category = std::make_unique<Category>(name, thresholds_.LevelFor(name));
    }
    return *category;
}

void LogCategorised::Write(const std::string& message, const ICategory& category, int level,
                           const char* file, int line)
{
    std::string text = "[" + category.GetName() + ":" + std::to_string(level) + "] ";
    text += ShortSourcePath(file);
    text += ":" + std::to_string(line) + ": ";
    text += WithoutTrailingNewlines(message);
    text += '\n';

    // The lock orders our own lines; writing each in one piece also keeps it whole next to other
    // writers of the same stream, such as the assertion handler on std::cerr.
    std::lock_guard<std::mutex> lock(mutex_);
    out_.write(text.data(), static_cast<std::streamsize>(text.size()));
    out_.flush();
}

} // namespace Qelt
