#pragma once

// The line the crash handler writes when a fatal signal arrives, built in a fixed buffer without
// allocation or locks so that a signal handler may build it. Reentrant.

#include <cstddef>

namespace Farrowkit
{

class FatalSignalLine
{
public:
    // "Fatal signal 11 (SIGSEGV) in process <pid>: " followed by "writing a crash report\n" when
    // the error reporter is about to start, else "terminating, no crash report written\n".
    FatalSignalLine(int signal, long processID, bool reporting = false);

    const char* Data() const { return text_; }
    std::size_t Size() const { return size_; }

private:
    void Append(const char* text);
    void AppendDecimal(unsigned long value);

    // Room for the fixed text, the longest signal name and two 20-digit numbers.
    char text_[160];
    std::size_t size_ = 0;
};

} // namespace Farrowkit
