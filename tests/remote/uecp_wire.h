// Encoder-protocol frames for the tests, built from the protocol's
// definition here rather than by the program's own frame encoder: the CRC
// bit by bit as a shift register, the stuffing byte by byte.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

namespace quorvan::test {

// CRC-16/CCITT: register preset to ones, each message bit (most significant
// first) shifted in against the top bit, x^16 + x^12 + x^5 + 1, the
// remainder inverted.
inline std::uint16_t WireCrc(const std::string& bytes)
{
    unsigned reg = 0xFFFF;
    for (const char c : bytes)
        for (int i = 7; i >= 0; --i) {
            const bool top = ((reg >> 15) & 1) != ((static_cast<unsigned char>(c) >> i) & 1);
            reg = (reg << 1) & 0xFFFF;
            if (top)
                reg ^= 0x1021;
        }
    return static_cast<std::uint16_t>(reg ^ 0xFFFF);
}

inline std::string Raw(std::initializer_list<int> bytes)
{
    std::string s;
    for (const int b : bytes)
        s += static_cast<char>(b);
    return s;
}

// A message written as hex bytes, "06 00 00 7A 5E"; a quoted run stands for
// its characters: "02 00 03 'RADIO 3 '".
inline std::string Msg(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == ' ') {
            ++i;
        } else if (text[i] == '\'') {
            const std::size_t end = text.find('\'', i + 1);
            out += text.substr(i + 1, end - i - 1);
            i = end + 1;
        } else {
            out += static_cast<char>(std::stoi(text.substr(i, 2), nullptr, 16));
            i += 2;
        }
    }
    return out;
}

// FE, ADD, SQC, MFL, the message, the CRC, FF; FD/FE/FF stuffed.
inline std::string Wire(const std::string& message, int sqc = 0, int address = 0)
{
    std::string body = Raw({address >> 8, address & 0xFF, sqc, static_cast<int>(message.size())}) + message;
    const std::uint16_t crc = WireCrc(body);
    body += Raw({crc >> 8, crc & 0xFF});
    std::string out = "\xFE";
    for (const char c : body) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 0xFD)
            out += Raw({0xFD, b - 0xFD});
        else
            out += c;
    }
    return out + "\xFF";
}

} // namespace quorvan::test
