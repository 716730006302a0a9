#include "diagnostics/Log.h"

#include "diagnostics/LogCategorised.h"

#include <cstdlib>
#include <iostream>

namespace Qelt
{

ILogCategorised::ICategory::~ICategory() = default;

ILogCategorised::~ILogCategorised() = default;

ILogCategorised& GlobalLog()
{
    static LogCategorised* const log = []
    {
        const char* config = std::getenv("BRISEL_LOG");
        return new LogCategorised(config ? config : "", std::cerr);
    }();
    return *log;
}

} // namespace Qelt

namespace LoggingDetail
{

LogStream::LogStream(const Qelt::ILogCategorised::ICategory& category, int level, const char* file,
                     int line)
    : category_(category), level_(level), file_(file), line_(line)
{
}

LogStream::~LogStream()
{
    try
    {
        Qelt::GlobalLog().Write(str(), category_, level_, file_, line_);
    }
    catch (...)
    {
        // Losing one log line (out of memory) must not terminate the program.
    }
}

LogStream GlobalLogStream(const Qelt::ILogCategorised::ICategory& category, int level,
                          const char* file, int line)
{
    return LogStream(category, level, file, line);
}

} // namespace LoggingDetail
