#include "net/ThreadName.h"

#include <algorithm>
#include <cctype>
#include <pthread.h>

namespace NotificationSystem
{
namespace
{
constexpr std::size_t kMaxThreadNameLength = 15;

std::size_t NextWordStart(const std::string& name)
{
    for (std::size_t i = 1; i < name.size(); ++i)
        if (std::isupper(static_cast<unsigned char>(name[i])))
            return i;
    return name.size();
}
} // namespace

std::string ShortThreadName(const std::string& name)
{
    std::string shortName;
    std::copy_if(name.begin(), name.end(), std::back_inserter(shortName),
                 [](char c) { return !std::isspace(static_cast<unsigned char>(c)); });
    while (shortName.size() > kMaxThreadNameLength)
    {
        const std::size_t next = NextWordStart(shortName);
        if (next == shortName.size())
            return shortName.substr(shortName.size() - kMaxThreadNameLength);
        shortName.erase(0, next);
    }
    return shortName;
}

void NameCurrentThread(const std::string& name)
{
    pthread_setname_np(pthread_self(), ShortThreadName(name).c_str());
}
} // namespace NotificationSystem
