#pragma once
// The exact text forms of parameter values, as the HAL reads and writes them. The
// streams use the classic "C" locale, so a user locale never changes a text.
//
// Thread rules: thread-safe (no state besides a constant table of texts made on first use).

#include "params/String.h"

// bool as "1"/"0"; numbers as standard stream output and input.
class VParamStreamStringifier
{
public:
    static void ToString(bool value, IString& out);
    static void ToString(int value, IString& out);
    static void ToString(unsigned int value, IString& out);
    static void ToString(double value, IString& out);

    // Reads "1"/"0", or "true"/"false" in any letter case.
    static bool FromString(const IString& text, bool& out);
    // Stream input (leading white space skipped) followed by nothing but white space.
    static bool FromString(const IString& text, int& out);
    // As for int; a negative text fails.
    static bool FromString(const IString& text, unsigned int& out);
    // Also reads this program's own texts for NaN and infinity of either sign.
    static bool FromString(const IString& text, double& out);
};

// Text as itself; reading never fails.
class VParamStringStringifier
{
public:
    static void ToString(const VStringStd& value, IString& out);
    static bool FromString(const IString& text, VStringStd& out);
};
