// Which senders the network command port listens to: a list of IPv4 and IPv6
// addresses and CIDR prefixes ("192.168.1.20, 10.0.0.0/8, ::1, fd00::/8").
// An empty list means the loopback addresses only (127.0.0.0/8 and ::1).
// IPv4 senders reaching an IPv6 socket (::ffff:a.b.c.d) count as IPv4.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct sockaddr;

namespace quorvan::remote {

// An address in IPv6 form; IPv4 addresses are kept IPv4-mapped (::ffff:0:0/96).
using Address16 = std::array<std::uint8_t, 16>;

class AllowList {
public:
    // Parses the list (entries separated by commas or blanks). Returns
    // nothing when an entry is not an address or prefix; `bad` then names it.
    static std::optional<AllowList> Parse(std::string_view text, std::string* bad = nullptr);

    bool allows(const Address16& address) const;
    bool allows(const sockaddr* address) const;

private:
    struct Prefix {
        Address16 address{};
        int bits = 128;
    };
    std::vector<Prefix> prefixes_;
};

// The address of a socket address (IPv4 mapped); nothing for other families.
std::optional<Address16> AddressOf(const sockaddr* address);
// "127.0.0.1" or "::1" (IPv4-mapped addresses are shown as IPv4).
std::string AddressText(const sockaddr* address);

} // namespace quorvan::remote
