#pragma once
// IPv4 address value used on the command line and by the device manager: one 32-bit
// number in host byte order, the first dotted component the most significant byte
// (192.168.1.2 is 0xC0A80102). A plain value type; reentrant.

#include <cstdint>
#include <iosfwd>
#include <string>

class INetAddress
{
public:
    virtual ~INetAddress() = default;
    virtual void Set(std::uint32_t value) = 0;
    virtual std::uint32_t Get() const = 0;
};

class VNetAddress : public INetAddress
{
public:
    VNetAddress() = default;
    explicit VNetAddress(std::uint32_t value) : value_(value) {}

    void Set(std::uint32_t value) override { value_ = value; }
    std::uint32_t Get() const override { return value_; }
    bool IsNull() const { return value_ == 0; }

    // The same address in network byte order, as sockets and the device manager take it.
    std::uint32_t GetNetworkOrder() const;

    bool operator==(const VNetAddress& other) const { return value_ == other.value_; }
    bool operator!=(const VNetAddress& other) const { return value_ != other.value_; }
    bool operator<(const VNetAddress& other) const { return value_ < other.value_; }
    bool operator>(const VNetAddress& other) const { return value_ > other.value_; }

private:
    std::uint32_t value_ = 0;
};

// Dotted decimal, most significant byte first.
std::ostream& operator<<(std::ostream& out, const VNetAddress& address);
std::string ToString(const VNetAddress& address);

// Reads four unsigned decimal numbers, most significant first, keeping the low 8 bits
// of each; exactly one character is consumed between two numbers, whatever it is.
std::istream& operator>>(std::istream& in, VNetAddress& address);

// Parses a whole text as above. In strict mode the text must be consumed completely,
// so trailing letters or blanks make it fail. On failure `address` is left unchanged.
bool ParseNetAddress(const std::string& text, VNetAddress& address, bool strict = true);
