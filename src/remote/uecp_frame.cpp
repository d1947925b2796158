#include "remote/uecp_frame.h"

#include <array>

namespace quorvan::remote::uecp {

// A stream holds at most one unstuffed frame: within the bound of a connection.
static_assert(kMaxFrameBytes <= kMaxHeldBytes);

namespace {

void AppendStuffed(std::string& out, std::uint8_t b)
{
    if (b >= kStuff) {
        out += static_cast<char>(kStuff);
        out += static_cast<char>(b - kStuff);
    } else {
        out += static_cast<char>(b);
    }
}

} // namespace

const char* CodeText(int code)
{
    static constexpr std::array<const char*, 14> kTexts{
        "OK",
        "CRC error",
        "message not received",
        "message unknown",
        "DSN error",
        "PSN error",
        "parameter out of range",
        "element length error",
        "field length error",
        "message not acceptable",
        "end missing",
        "buffer overflow",
        "bad stuffing",
        "unexpected end",
    };
    return code >= 0 && code < static_cast<int>(kTexts.size()) ? kTexts[static_cast<std::size_t>(code)] : "error";
}

std::uint16_t Crc(std::string_view bytes)
{
    std::uint16_t crc = 0xFFFF;
    for (const char c : bytes) {
        crc ^= static_cast<std::uint16_t>(static_cast<std::uint8_t>(c) << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return static_cast<std::uint16_t>(crc ^ 0xFFFF);
}

std::string EncodeFrame(std::uint16_t address, std::uint8_t sqc, std::string_view message)
{
    if (message.size() > kMaxMessage)
        message = message.substr(0, kMaxMessage);
    std::string body;
    body += static_cast<char>(address >> 8);
    body += static_cast<char>(address & 0xFF);
    body += static_cast<char>(sqc);
    body += static_cast<char>(message.size());
    body += message;
    const std::uint16_t crc = Crc(body);
    body += static_cast<char>(crc >> 8);
    body += static_cast<char>(crc & 0xFF);

    std::string out(1, static_cast<char>(kStart));
    for (const char c : body)
        AppendStuffed(out, static_cast<std::uint8_t>(c));
    out += static_cast<char>(kStop);
    return out;
}

bool ForUs(std::uint16_t address, int site, int encoder)
{
    const int s = SiteOf(address), e = EncoderOf(address);
    return (s == 0 || s == site) && (e == 0 || e == encoder);
}

void FrameDecoder::reset()
{
    inFrame_ = afterStuff_ = overflow_ = badStuffing_ = false;
    body_.clear();
}

bool FrameDecoder::expire(std::int64_t nowMs)
{
    if (!inFrame_ || nowMs - startedMs_ <= kPartialFrameMs)
        return false;
    reset();
    body_.shrink_to_fit();
    return true;
}

Frame FrameDecoder::finish()
{
    Frame f;
    if (body_.size() >= 4) {
        f.header = true;
        f.address = static_cast<std::uint16_t>(static_cast<std::uint8_t>(body_[0]) << 8 | static_cast<std::uint8_t>(body_[1]));
        f.sqc = static_cast<std::uint8_t>(body_[2]);
    }
    if (overflow_)
        f.code = kBufferOverflow;
    else if (badStuffing_ || afterStuff_)
        f.code = kBadStuffing;
    else if (body_.size() < 6)
        f.code = kUnexpectedEnd;
    else {
        const std::string_view covered(body_.data(), body_.size() - 2);
        const auto sent = static_cast<std::uint16_t>(static_cast<std::uint8_t>(body_[body_.size() - 2]) << 8 |
                                                     static_cast<std::uint8_t>(body_.back()));
        const std::size_t mfl = static_cast<std::uint8_t>(body_[3]);
        if (Crc(covered) != sent)
            f.code = kCrcError;
        else if (mfl != body_.size() - 6)
            f.code = kFieldLengthError;
        else
            f.message = body_.substr(4, mfl);
    }
    reset();
    return f;
}

void FrameDecoder::feed(std::string_view bytes, std::int64_t nowMs, const Sink& sink)
{
    expire(nowMs);
    for (const char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b == kStart) {
            if (inFrame_) {
                Frame broken = finish();
                broken.code = kEndMissing;
                broken.message.clear();
                sink(broken);
            }
            reset();
            inFrame_ = true;
            startedMs_ = nowMs;
            continue;
        }
        if (!inFrame_)
            continue;  // between frames: not ours to read
        if (b == kStop) {
            sink(finish());
            continue;
        }
        if (overflow_ || badStuffing_)
            continue;  // the frame is refused at its end
        std::uint8_t value = b;
        if (afterStuff_) {
            afterStuff_ = false;
            if (b > 2) {
                badStuffing_ = true;
                continue;
            }
            value = static_cast<std::uint8_t>(kStuff + b);
        } else if (b == kStuff) {
            afterStuff_ = true;
            continue;
        }
        if (body_.size() == kMaxFrameBytes) {
            overflow_ = true;
            continue;
        }
        body_ += static_cast<char>(value);
    }
}

} // namespace quorvan::remote::uecp
