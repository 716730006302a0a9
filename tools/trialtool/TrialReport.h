#pragma once
// A trial file opened for the "info" and "dump" commands: one implementation per file kind
// over that kind's reader. Thread-bound to its owner.

#include "tools/trialtool/TrialKind.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace TrialTool
{
class TrialReport
{
public:
    virtual ~TrialReport() = default;

    virtual TrialKind Kind() const = 0;

    // False when the reader cannot open the file; Errors() then says why.
    virtual bool Open(const std::string& path) = 0;
    // The messages the reader recorded so far.
    virtual const std::vector<std::string>& Errors() const = 0;
    // Whether the file's header describes every recorded camera or device. Both readers open
    // the other kind's files too (the container is the same), so a file whose name does not
    // say its kind is taken as the kind that makes sense of it.
    virtual bool IsSelfConsistent() const = 0;
    virtual void PrintInfo(std::ostream& out) const = 0;
    // False when the file has no such frame or it cannot be read.
    virtual bool PrintFrame(std::int32_t frameNumber, std::ostream& out) = 0;
    // Why PrintFrame() failed for `frameNumber` when the reader recorded no message.
    virtual std::string ExplainUnreadFrame(std::int32_t frameNumber) const = 0;
};
} // namespace TrialTool
