#pragma once

// Sends everything inserted into std::cerr to a string while the object lives. Thread-bound to
// the test's thread; nothing else may use std::cerr meanwhile.

#include <iostream>
#include <sstream>

class StderrCapture
{
public:
    StderrCapture() : previous_(std::cerr.rdbuf(captured_.rdbuf())) {}
    ~StderrCapture() { std::cerr.rdbuf(previous_); }

    std::string Text() const { return captured_.str(); }

private:
    std::ostringstream captured_;
    std::streambuf* const previous_;
};
