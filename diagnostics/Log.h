#pragma once

// The process-wide categorised log: call sites look a category up once, test its level, and
// stream a message into it. GlobalLog(), its categories and GlobalLogStream() are thread-safe;
// one LogStream object is thread-bound to the thread that created it.

#include <ostream>
#include <sstream>
#include <string>

namespace Qelt
{

class ILogCategorised
{
public:
    class ICategory
    {
    public:
        virtual ~ICategory();
        // Messages of this level and below are written; higher levels carry more detail.
        virtual int GetLevel() const = 0;
        virtual const std::string& GetName() const = 0;
    };

    virtual ~ILogCategorised();
    // The returned category lives as long as the log, so call sites may keep the reference.
    virtual ICategory& GetCategory(const std::string& name) = 0;
    // Writes unconditionally: comparing the level with GetLevel() is the caller's job, done
    // before the message is built.
    virtual void Write(const std::string& message, const ICategory& category, int level,
                       const char* file, int line) = 0;
};

// Writes to standard error with thresholds from BRISEL_LOG, read on first use. Never destroyed,
// so objects with static storage may log until the process ends.
ILogCategorised& GlobalLog();

} // namespace Qelt

namespace LoggingDetail
{

// One message being built; written to the global log as one line when destroyed. Not movable,
// because a moved-from stream would write an empty line.
class LogStream : public std::ostringstream
{
public:
    LogStream(const Qelt::ILogCategorised::ICategory& category, int level, const char* file,
              int line);
    LogStream(LogStream&&) = delete;
    ~LogStream() override;

private:
    const Qelt::ILogCategorised::ICategory& category_;
    const int level_;
    const char* const file_;
    const int line_;
};

LogStream GlobalLogStream(const Qelt::ILogCategorised::ICategory& category, int level,
                          const char* file, int line);

// Turns the stream expression of QELT_LOG_AT into void, so both branches of its ?: match.
struct Voidify
{
    void operator&(const std::ostream&) const {}
};

} // namespace LoggingDetail

// QELT_LOG_AT(category, 5, "EventSystem/Invoke", 83) << "Submit:InvokeEvent( pDetails )";
// The log line carries the source text and line that the call site states. Nothing after the
// macro is evaluated when the category's level is below the message's level.
#define QELT_LOG_AT(category, level, source, line)                                                 \
    ((category).GetLevel() < (level))                                                              \
        ? (void)0                                                                                  \
        : ::LoggingDetail::Voidify() &                                                             \
              ::LoggingDetail::GlobalLogStream((category), (level), (source), (line))

// QELT_LOG(category, 4) << "read " << count << " frames";
// The log line carries the calling file's path below the repository and the calling line.
#define QELT_LOG(category, level) QELT_LOG_AT(category, level, __FILE__, __LINE__)
