#include "net/NetAddress.h"

#include <arpa/inet.h>
#include <istream>
#include <ostream>
#include <sstream>

std::uint32_t VNetAddress::GetNetworkOrder() const
{
    return htonl(value_);
}

std::ostream& operator<<(std::ostream& out, const VNetAddress& address)
{
    const std::uint32_t value = address.Get();
    return out << (value >> 24) << '.' << ((value >> 16) & 0xFF) << '.' << ((value >> 8) & 0xFF)
               << '.' << (value & 0xFF);
}

std::string ToString(const VNetAddress& address)
{
    std::ostringstream text;
    text << address;
    return text.str();
}

std::istream& operator>>(std::istream& in, VNetAddress& address)
{
    std::uint32_t value = 0;
    for (int component = 0; component < 4; ++component)
    {
        if (component > 0)
            in.get();
        unsigned number = 0;
        if (!(in >> number))
            return in;
        value = (value << 8) | (number & 0xFF);
    }
    address.Set(value);
    return in;
}

bool ParseNetAddress(const std::string& text, VNetAddress& address, bool strict)
{
    std::istringstream in(text);
    VNetAddress parsed;
    in >> parsed;
    if (in.fail() || in.bad())
        return false;
    if (strict && !in.eof())
        return false;
    address = parsed;
    return true;
}
