#include "encoder/encoder_rig.h"

#include <cstdio>
#include <sstream>

namespace quorvan::test {

Bytes Hex(const std::string& spaced)
{
    std::istringstream in(spaced);
    Bytes out;
    std::string w;
    while (in >> w)
        out.push_back(static_cast<std::uint8_t>(std::stoul(w, nullptr, 16)));
    return out;
}

std::string HexText(const Bytes& bytes)
{
    std::string out;
    char buf[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        if (!out.empty())
            out += ' ';
        out += buf;
    }
    return out;
}

std::string Fill(const std::string& byte, int n)
{
    std::string out;
    for (int i = 0; i < n; ++i)
        out += (i ? " " : "") + byte;
    return out;
}

std::string TextHex(const std::string& text)
{
    return HexText(Bytes(text.begin(), text.end()));
}

void WatchPort::write(std::int32_t address, std::uint8_t value)
{
    if (!ok())
        return;
    ++writes_;
    const std::uint32_t stops = encoder_.stops();
    port_.write(address, value);
    if (encoder_.stops() != stops) {
        afterStop.push_back(encoder_.ramImage());
        stopTimes.push_back(clock_.now().msecOfDay());
    }
    if (encoder_.powered() && encoder_.stops() >= dieAfterStops)
        encoder_.setPower(false);
}

EncoderRig::EncoderRig(Wiring wiring)
{
    link.Timed = false;
    if (wiring == Wiring::Parallel) {
        link.PortAddress = 888;
        link.setPortIo(&port);
    } else {
        link.PortAddress = 1;
        link.setSerialLines(&serial);
    }
    link.DriveIdle();
}

EncoderContext EncoderRig::context(bool guarded)
{
    return EncoderContext{link, time, time, guarded ? &guard : nullptr, '.'};
}

std::string EncoderRig::rtPlus() const
{
    const auto& r = encoder.extension().rtPlus;
    return HexText(Bytes(r.begin(), r.end()));
}

std::string EncoderRig::ram(int address, int count) const
{
    const auto image = encoder.ramImage();
    Bytes out;
    for (int i = 0; i < count; ++i)
        out.push_back(image[(address + i) & 0xFF]);
    return HexText(out);
}

std::string EncoderRig::ramAfter(std::size_t n, int address, int count) const
{
    if (n >= port.afterStop.size())
        return "no transaction " + std::to_string(n);
    Bytes out;
    for (int i = 0; i < count; ++i)
        out.push_back(port.afterStop[n][(address + i) & 0xFF]);
    return HexText(out);
}

std::string EncoderRig::ramText(int address, int count) const
{
    const auto image = encoder.ramImage();
    std::string out;
    for (int i = 0; i < count; ++i)
        out.push_back(static_cast<char>(image[(address + i) & 0xFF]));
    return out;
}

} // namespace quorvan::test
