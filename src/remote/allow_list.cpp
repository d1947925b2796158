#include "remote/allow_list.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstring>

namespace quorvan::remote {

namespace {

Address16 Mapped(const in_addr& v4)
{
    Address16 a{};
    a[10] = 0xFF;
    a[11] = 0xFF;
    std::memcpy(a.data() + 12, &v4, 4);
    return a;
}

bool IsMapped(const Address16& a)
{
    for (int i = 0; i < 10; ++i)
        if (a[size_t(i)] != 0)
            return false;
    return a[10] == 0xFF && a[11] == 0xFF;
}

bool SamePrefix(const Address16& a, const Address16& b, int bits)
{
    for (int i = 0; i < 16 && bits > 0; ++i, bits -= 8) {
        const std::uint8_t mask = bits >= 8 ? 0xFF : static_cast<std::uint8_t>(0xFF << (8 - bits));
        if ((a[size_t(i)] & mask) != (b[size_t(i)] & mask))
            return false;
    }
    return true;
}

} // namespace

std::optional<AllowList> AllowList::Parse(std::string_view text, std::string* bad)
{
    AllowList list;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        const std::size_t end = text.find_first_of(", \t", pos);
        const std::string_view item = text.substr(pos, end == std::string_view::npos ? end : end - pos);
        if (!item.empty()) {
            const std::size_t slash = item.find('/');
            const std::string host(item.substr(0, slash));
            Prefix p;
            in_addr v4{};
            in6_addr v6{};
            int maxBits = 0;
            if (::inet_pton(AF_INET, host.c_str(), &v4) == 1) {
                p.address = Mapped(v4);
                maxBits = 32;
            } else if (::inet_pton(AF_INET6, host.c_str(), &v6) == 1) {
                std::memcpy(p.address.data(), &v6, 16);
                maxBits = 128;
            } else {
                if (bad)
                    *bad = std::string(item);
                return std::nullopt;
            }
            int bits = maxBits;
            if (slash != std::string_view::npos) {
                const std::string_view digits = item.substr(slash + 1);
                bits = 0;
                // At most three digits are read: a longer count is refused, never summed.
                bool ok = !digits.empty() && digits.size() <= 3;
                for (std::size_t i = 0; ok && i < digits.size(); ++i) {
                    ok = digits[i] >= '0' && digits[i] <= '9';
                    bits = bits * 10 + (digits[i] - '0');
                }
                if (!ok || bits > maxBits) {
                    if (bad)
                        *bad = std::string(item);
                    return std::nullopt;
                }
            }
            // An IPv6 entry that is itself IPv4-mapped keeps its 128-bit count.
            p.bits = maxBits == 32 ? bits + 96 : bits;
            list.prefixes_.push_back(p);
        }
        if (end == std::string_view::npos)
            break;
        pos = end + 1;
    }
    return list;
}

bool AllowList::allows(const Address16& address) const
{
    if (prefixes_.empty()) {
        // Loopback only: 127.0.0.0/8 and ::1.
        Address16 one{};
        one[15] = 1;
        return (IsMapped(address) && address[12] == 127) || address == one;
    }
    for (const Prefix& p : prefixes_)
        if (SamePrefix(p.address, address, p.bits))
            return true;
    return false;
}

bool AllowList::allows(const sockaddr* address) const
{
    const std::optional<Address16> a = AddressOf(address);
    return a && allows(*a);
}

std::optional<Address16> AddressOf(const sockaddr* address)
{
    if (address->sa_family == AF_INET) {
        sockaddr_in v4;
        std::memcpy(&v4, address, sizeof v4);
        return Mapped(v4.sin_addr);
    }
    if (address->sa_family == AF_INET6) {
        sockaddr_in6 v6;
        std::memcpy(&v6, address, sizeof v6);
        Address16 a;
        std::memcpy(a.data(), &v6.sin6_addr, 16);
        return a;
    }
    return std::nullopt;
}

std::string AddressText(const sockaddr* address)
{
    const std::optional<Address16> a = AddressOf(address);
    if (!a)
        return "?";
    char text[INET6_ADDRSTRLEN] = "";
    if (IsMapped(*a))
        ::inet_ntop(AF_INET, a->data() + 12, text, sizeof text);
    else
        ::inet_ntop(AF_INET6, a->data(), text, sizeof text);
    return text;
}

} // namespace quorvan::remote
