// UECP frames (EBU SPB 490 / IEC 62106-10, the Universal Encoder
// Communication Protocol): the byte layer of the encoder protocol that
// broadcast automation speaks over serial lines, TCP and UDP.
//
//   FE | ADD (2) | SQC | MFL | MSG (MFL bytes) | CRC (2, big-endian) | FF
//
// Between FE and FF the bytes FD, FE and FF travel stuffed as FD 00, FD 01
// and FD 02. The CRC is CRC-16/CCITT (polynomial 0x1021, initial 0xFFFF,
// final XOR 0xFFFF, not reflected) over ADD..MSG before stuffing.
//
// This file only cuts bytes into frames and builds frames: it never looks
// into a message nor touches the station values. The decoder holds at most
// one frame (kMaxFrameBytes) of a stream, and a partial frame at most
// kPartialFrameMs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quorvan::remote::uecp {

inline constexpr std::uint8_t kStart = 0xFE;
inline constexpr std::uint8_t kStop = 0xFF;
inline constexpr std::uint8_t kStuff = 0xFD;

inline constexpr std::size_t kMaxMessage = 255;
// ADD, SQC, MFL, the message and the CRC, unstuffed.
inline constexpr std::size_t kMaxFrameBytes = 2 + 1 + 1 + kMaxMessage + 2;
// The most a stream holds while a frame is incomplete.
inline constexpr std::size_t kMaxHeldBytes = 1024;
inline constexpr std::int64_t kPartialFrameMs = 5000;

// The acknowledgement codes (message element 0x18).
enum Code : std::uint8_t {
    kOk = 0,
    kCrcError = 1,
    kNotReceived = 2,
    kMessageUnknown = 3,
    kDsnError = 4,
    kPsnError = 5,
    kOutOfRange = 6,
    kElementLengthError = 7,
    kFieldLengthError = 8,
    kNotAcceptable = 9,
    kEndMissing = 10,
    kBufferOverflow = 11,
    kBadStuffing = 12,
    kUnexpectedEnd = 13,
};
// "CRC error", "message unknown", ...
const char* CodeText(int code);

// The CRC over `bytes` (ADD..MSG, unstuffed).
std::uint16_t Crc(std::string_view bytes);

// A whole frame on the wire: start, stuffed ADD..CRC, stop.
std::string EncodeFrame(std::uint16_t address, std::uint8_t sqc, std::string_view message);

// ADD = site (10 bits) << 6 | encoder (6 bits).
inline int SiteOf(std::uint16_t address) { return address >> 6; }
inline int EncoderOf(std::uint16_t address) { return address & 0x3F; }
inline std::uint16_t AddressOf(int site, int encoder)
{
    return static_cast<std::uint16_t>(((site & 0x3FF) << 6) | (encoder & 0x3F));
}
// A frame for site 0 or `site`, and encoder 0 or `encoder`.
bool ForUs(std::uint16_t address, int site, int encoder);

// One frame as it arrived: whole (code kOk) or refused with its code. A
// refused frame carries the address and SQC when it got that far
// (`header`), so that a reply can name it.
struct Frame {
    int code = kOk;
    bool header = false;
    std::uint16_t address = 0;
    std::uint8_t sqc = 0;
    std::string message;
};

// Cuts a byte stream into frames. Bytes may come in any pieces. Bytes
// outside a frame are dropped silently; a frame that breaks (bad stuffing,
// a new FE before its FF, too long, timed out) is reported refused.
class FrameDecoder {
public:
    using Sink = std::function<void(const Frame&)>;

    // `nowMs`: a stopwatch reading; a partial frame older than
    // kPartialFrameMs is dropped before the bytes are taken.
    void feed(std::string_view bytes, std::int64_t nowMs, const Sink& sink);
    // Drops a partial frame older than kPartialFrameMs; true when one was dropped.
    bool expire(std::int64_t nowMs);
    // Nothing held.
    bool idle() const { return !inFrame_; }

private:
    void reset();
    Frame finish();

    bool inFrame_ = false;
    bool afterStuff_ = false;
    bool overflow_ = false;
    bool badStuffing_ = false;
    std::int64_t startedMs_ = 0;
    std::string body_;
};

} // namespace quorvan::remote::uecp
