#include "diagnostics/FatalSignalLine.h"

#include <csignal>

namespace Farrowkit
{
namespace
{

const char* SignalName(int signal)
{
    switch (signal)
    {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "unexpected signal";
    }
}

} // namespace

FatalSignalLine::FatalSignalLine(int signal, long processID, bool reporting)
{
    Append("Fatal signal ");
    AppendDecimal(static_cast<unsigned long>(signal));
    Append(" (");
    Append(SignalName(signal));
    Append(") in process ");
    AppendDecimal(static_cast<unsigned long>(processID));
    Append(reporting ? ": writing a crash report\n" : ": terminating, no crash report written\n");
}

void FatalSignalLine::Append(const char* text)
{
    while (*text != '\0' && size_ < sizeof(text_))
    {
        text_[size_++] = *text++;
    }
}

void FatalSignalLine::AppendDecimal(unsigned long value)
{
    // Digits come out least significant first.
    char digits[20];
    int count = 0;
    do
    {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);

    char text[sizeof(digits) + 1];
    for (int i = 0; i < count; ++i)
    {
        text[i] = digits[count - 1 - i];
    }
    text[count] = '\0';
    Append(text);
}

} // namespace Farrowkit
