#pragma once
// Gives the calling thread a name that debuggers, `top -H` and crash reports show.
// Reentrant: each thread names only itself.

#include <string>

namespace NotificationSystem
{
// Linux keeps at most 15 characters of a thread name. Longer names are shortened by
// dropping blanks, then whole leading words (a word starts at a capital letter), so
// the part that tells threads of one family apart (their number) survives:
// "AsioPostalService0" becomes "PostalService0", "Pool Thread 3 of 16" "PoolThread3of16".
std::string ShortThreadName(const std::string& name);

void NameCurrentThread(const std::string& name);
} // namespace NotificationSystem
