#pragma once

// The log behind GlobalLog(), also constructible on its own so that tests can read its output.
// Thread-safe: mutex_ guards out_ and categories_; thresholds_ is fixed at construction.
// Categories are never removed, so references to them stay valid for the log's lifetime.

#include "diagnostics/Log.h"
#include "diagnostics/LogConfig.h"

#include <map>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>

namespace Qelt
{

class LogCategorised : public ILogCategorised
{
public:
    // Reports malformed entries of configText on out, one warning line each.
    LogCategorised(const std::string& configText, std::ostream& out);
    ~LogCategorised() override;

    ICategory& GetCategory(const std::string& name) override;
    // Writes "[<category>:<level>] <file>:<line>: <message>" as one line.
    void Write(const std::string& message, const ICategory& category, int level, const char* file,
               int line) override;

private:
    class Category;

    LogCategorised(const LogConfig& config, std::ostream& out);

    const LogThresholds thresholds_;
    std::mutex mutex_;
    std::ostream& out_;
    std::map<std::string, std::unique_ptr<Category>> categories_;
};

} // namespace Qelt
