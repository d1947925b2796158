// The encoder protocol (UECP) from the wire to the virtual encoder's RAM:
// frames written out byte by byte here (uecp_wire.h), sent over real
// loopback sockets and a pseudo-terminal pair, decoded, applied and
// acknowledged.
#include "content/charset.h"
#include "encoder/encoder_rig.h"
#include "encoder/image_decode.h"
#include "encoder/image_layout.h"
#include "remote/uecp_elements.h"
#include "remote/uecp_extended.h"
#include "remote/uecp_frame.h"
#include "remote/uecp_port.h"
#include "remote/uecp_wire.h"
#include "remote/serve_until_idle.h"
#include "rds/generator.h"
#include "rds/receiver.h"
#include "support/loopback.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include <arpa/inet.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace quorvan::remote {
namespace {

using test::Raw;
using test::EncoderRig;
using test::TextHex;
using test::Wire;
using test_support::Loopback;

std::vector<uecp::Frame> Decode(const std::string& bytes, std::int64_t nowMs = 0)
{
    std::vector<uecp::Frame> frames;
    uecp::FrameDecoder d;
    d.feed(bytes, nowMs, [&](const uecp::Frame& f) { frames.push_back(f); });
    return frames;
}

TEST(UecpFrames, TheExampleFramesDecode)
{
    const std::string empty = Raw({0xFE, 0x00, 0x00, 0x00, 0x00, 0x7B, 0x3F, 0xFF});
    const std::string sqcFE = Raw({0xFE, 0x00, 0x00, 0xFD, 0x01, 0x00, 0x4B, 0xF1, 0xFF});
    // The test's own frame builder agrees with the examples.
    EXPECT_EQ(Wire("", 0), empty);
    EXPECT_EQ(Wire("", 0xFE), sqcFE);

    const auto frames = Decode(empty + sqcFE);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].code, uecp::kOk);
    EXPECT_EQ(frames[0].sqc, 0);
    EXPECT_EQ(frames[1].code, uecp::kOk);
    EXPECT_EQ(frames[1].sqc, 0xFE);
    EXPECT_TRUE(frames[1].message.empty());
    // The program's own frames (acknowledgements, answers) are the same bytes.
    EXPECT_EQ(uecp::EncodeFrame(0, 0xFE, ""), sqcFE);
}

TEST(UecpFrames, BrokenFramesAreRefusedWithTheirCode)
{
    const std::string ps = Raw({0x02, 0, 0}) + "QUORVAN ";
    std::string badCrc = Wire(ps, 7);
    badCrc[badCrc.size() - 2] ^= 0x01;
    std::string longMfl = Wire(ps, 7);
    // MFL one more than the message holds, with a CRC that matches it.
    {
        std::string body = Raw({0, 0, 7, static_cast<int>(ps.size()) + 1}) + ps;
        const std::uint16_t crc = test::WireCrc(body);
        longMfl = "\xFE" + body + Raw({crc >> 8, crc & 0xFF}) + "\xFF";
    }
    struct Case {
        std::string bytes;
        int code;
    };
    const Case cases[] = {
        {badCrc, uecp::kCrcError},
        {longMfl, uecp::kFieldLengthError},
        {Raw({0xFE, 0, 0, 7, 0, 0xFD, 0x03, 0x11, 0xFF}), uecp::kBadStuffing},
        {Raw({0xFE, 0, 0, 7, 0, 0xFD, 0xFF}), uecp::kBadStuffing},
        {Raw({0xFE, 0, 0, 7, 0xFF}), uecp::kUnexpectedEnd},
        {"\xFE" + std::string(300, 'A') + "\xFF", uecp::kBufferOverflow},
        {Raw({0xFE, 0, 0, 7, 0}), uecp::kEndMissing},  // a new frame starts before this one ended
    };
    for (const Case& c : cases) {
        const auto frames = Decode(c.bytes + Wire("", 9));
        ASSERT_EQ(frames.size(), 2u) << c.code;
        EXPECT_EQ(frames[0].code, c.code);
        EXPECT_TRUE(frames[0].message.empty());
        EXPECT_EQ(frames[1].code, uecp::kOk) << "the next frame is read whole after code " << c.code;
        EXPECT_EQ(frames[1].sqc, 9);
    }
}

TEST(UecpFrames, GarbagePiecesAndTheFiveSecondBound)
{
    const std::string frame = Wire(Raw({0x07, 0, 0, 10}), 3);
    // Bytes outside frames are no frames; a frame may come a byte at a time.
    uecp::FrameDecoder d;
    std::vector<uecp::Frame> frames;
    const uecp::FrameDecoder::Sink sink = [&](const uecp::Frame& f) { frames.push_back(f); };
    d.feed("garbage\xFF\xFD\x00", 0, sink);
    EXPECT_TRUE(d.idle());
    for (const char c : frame)
        d.feed(std::string(1, c), 10, sink);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].message, Raw({0x07, 0, 0, 10}));

    // A partial frame waits 5 s, no longer: its start is forgotten.
    frames.clear();
    d.feed(frame.substr(0, 4), 1000, sink);
    EXPECT_FALSE(d.expire(6000));
    EXPECT_TRUE(d.expire(6001));
    d.feed(frame.substr(4), 6002, sink);
    EXPECT_TRUE(frames.empty());
    d.feed(frame.substr(0, 4), 7000, sink);
    d.feed(frame.substr(4), 12001, sink);  // the feed itself drops what is too old
    EXPECT_TRUE(frames.empty());
}

TEST(UecpElements, AMessageIsTakenWholeOrRefusedWithItsCode)
{
    const std::string pty = Raw({0x07, 0, 0, 10});
    const std::string ps = Raw({0x02, 0, 0}) + "QUORVAN ";
    const uecp::Message good = uecp::ParseMessage(ps + pty);
    ASSERT_EQ(good.code, uecp::kOk);
    ASSERT_EQ(good.elements.size(), 2u);
    EXPECT_EQ(uecp::Describe(good.elements[0]), "PS QUORVAN ");
    EXPECT_EQ(uecp::Describe(good.elements[1]), "PTY 10");

    struct Case {
        std::string message;
        int code;
    };
    const Case cases[] = {
        {Raw({0x40, 1}), uecp::kMessageUnknown},
        {Raw({0x07, 1, 0, 10}), uecp::kDsnError},
        {Raw({0x07, 0, 9, 10}), uecp::kPsnError},  // (PSN 1..8: the other networks)
        {Raw({0x07, 0, 0, 32}), uecp::kOutOfRange},
        {Raw({0x03, 0, 0, 4}), uecp::kOutOfRange},
        {Raw({0x04, 0, 0, 16}), uecp::kOutOfRange},
        {Raw({0x2C, 3}), uecp::kOutOfRange},
        {Raw({0x0A, 0, 0, 66}) + std::string(66, 'x'), uecp::kElementLengthError},
        {Raw({0x0A, 0, 0, 5, 0, 'a'}), uecp::kElementLengthError},  // MEL past the end
        {Raw({0x13, 0, 0, 3, 224 + 3, 1, 2}), uecp::kElementLengthError},
        {Raw({0x13, 0, 0, 2, 224 + 1, 205}), uecp::kOutOfRange},
        {Raw({0x13, 0, 0, 17, 224 + 16}) + std::string(16, '\x01'), uecp::kOutOfRange},
        {Raw({0x0D, 24, 13, 1, 0, 0, 0, 0, 0}), uecp::kOutOfRange},
        {Raw({0x17, 1, 0x0D}), uecp::kNotAcceptable},
        {Raw({0x02, 0, 0}) + "QUOR", uecp::kUnexpectedEnd},
    };
    for (const Case& c : cases) {
        // The good PS before the bad element is refused with it.
        const uecp::Message m = uecp::ParseMessage(ps + c.message);
        EXPECT_EQ(m.code, c.code) << uecp::CodeText(c.code);
        EXPECT_TRUE(m.elements.empty());
    }
}

// The port on loopback against the virtual encoder; client and server run in
// this thread, waiting is poll() with a bound.
struct UecpRig {
    explicit UecpRig(int site = 0, int encoder = 0, const std::string& serial = "")
    {
        UecpConfig config;
        config.net.udpPort = kAnyPort;
        config.net.tcpPort = kAnyPort;
        config.serial = serial;
        config.site = site;
        config.encoder = encoder;
        EXPECT_TRUE(port.start(config)) << port.status();
        rig.link.Bidirectional = true;
        params.preferences.CBCHARSET = 1;
    }
    void serve() { test::ServeUntilIdle(port, port, params, host, {.inputHeld = false}); }

    EncoderRig rig;
    ClockStopwatch stopwatch{rig.time};
    UecpPort port{stopwatch, rig.time};
    TStationParams params;
    test::RigEncoderHost host{rig};
};

// One socket of the automation system's side.
struct Automation {
    Automation(int type, int port) : fd(::socket(AF_INET, type, 0)), to(Loopback(port))
    {
        if (type == SOCK_STREAM) {
            EXPECT_EQ(::connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to), 0);
        }
    }
    ~Automation() { ::close(fd); }
    void send(const std::string& bytes) const
    {
        ASSERT_EQ(::sendto(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&to),
                           sizeof to),
                  static_cast<ssize_t>(bytes.size()));
    }
    std::string received() const
    {
        std::string out;
        char buf[2048];
        pollfd p{fd, POLLIN, 0};
        while (::poll(&p, 1, out.empty() ? 500 : 50) > 0) {
            const ssize_t n = ::recv(fd, buf, sizeof buf, MSG_DONTWAIT);
            if (n <= 0)
                break;
            out.append(buf, static_cast<std::size_t>(n));
        }
        return out;
    }
    int fd;
    sockaddr_in to;
};

TEST(UecpPort, EveryElementReachesTheEncoder)
{
    UecpRig r;
    Automation tcp(SOCK_STREAM, r.port.listener().tcpPort());
    auto sendOne = [&](const std::string& message) {
        r.rig.time.advanceMs(1000);  // a frame a second: each one in the log
        tcp.send(Wire(message));
        r.serve();
    };
    sendOne(Raw({0x01, 0, 0, 0xD3, 0xC2}));
    EXPECT_EQ(r.params.program.PI, "D3C2");
    sendOne(Raw({0x02, 0, 0}) + "QUORVAN ");
    EXPECT_EQ(r.rig.ramText(image::kPS, 8), "QUORVAN ");
    sendOne(Raw({0x03, 0, 0, 0x03}));
    EXPECT_EQ(r.rig.ram(image::kTP, 2), "01 01");
    sendOne(Raw({0x04, 0, 0, 0x09}));
    EXPECT_EQ(r.rig.ram(image::kDI, 1), "09");
    sendOne(Raw({0x05, 0, 0, 0x00}));
    EXPECT_EQ(r.rig.ram(image::kMS, 1), "00");
    sendOne(Raw({0x07, 0, 0, 10}));
    EXPECT_EQ(r.rig.ram(image::kPTY, 1), "0A");
    sendOne(Raw({0x13, 0, 0, 4, 224 + 3, 1, 107, 204}));  // 87.6, 98.2, 107.9 MHz
    EXPECT_EQ(r.rig.ram(image::kAFCount, 4), "03 01 6B CC");
    EXPECT_EQ(r.params.program.SGAF[1], "98.2");

    // Radiotext 1 as sent: no prefix, no processing, ended by CR, filled to 64.
    r.params.textSources.ER1PR = "Prefix: ";
    r.params.radiotext.RT2 = "other";
    sendOne(Raw({0x0A, 0, 0, 17, 0x00}) + "Now: Artist  -\rX");
    EXPECT_EQ(r.params.radiotext.RT1, "Now: Artist  -");
    EXPECT_EQ(r.rig.ramText(image::kRT, 64), "Now: Artist  -" + std::string(50, ' '));
    EXPECT_EQ(r.rig.ram(image::kRTControl, 1), "01");
    // Bit 0 of the configuration toggles the A/B flag.
    sendOne(Raw({0x0A, 0, 0, 4, 0x01}) + "Hit");
    EXPECT_EQ(r.rig.ram(image::kRTControl, 1), "03");
    EXPECT_EQ(r.params.radiotext.CBRTT1, 1);
    sendOne(Raw({0x0A, 0, 0, 0}));  // MEL 0 clears
    EXPECT_EQ(r.params.radiotext.RT1, "");
    EXPECT_EQ(r.rig.ramText(image::kRT, 64), std::string(64, ' '));

    // The real-time clock: 2024-05-10 12:34:56 UTC, local offset +1 h.
    sendOne(Raw({0x0D, 24, 5, 10, 12, 34, 56, 0, 2}));
    std::array<std::uint8_t, 5> ct{};
    const test::Bytes raw = test::Hex(r.rig.ram(image::kCTBits, 5));
    std::copy(raw.begin(), raw.end(), ct.begin());
    EXPECT_EQ(UnpackClockTime(ct), (ClockTimeFields{60440, 12, 34, false, 2}));
    EXPECT_EQ(r.rig.ram(image::kCTGroupType, 1), "40");

    sendOne(Raw({0x19, 1}));
    EXPECT_TRUE(r.params.system.CTRunning);
    sendOne(Raw({0x19, 0}));
    EXPECT_FALSE(r.params.system.CTRunning);
    sendOne(Raw({0x1E, 0}));
    EXPECT_FALSE(r.rig.encoder.carrier());
    sendOne(Raw({0x1E, 1}));
    EXPECT_TRUE(r.rig.encoder.carrier());
    EXPECT_FALSE(r.port.log().back().error);
    EXPECT_EQ(r.port.log().back().text, "RDS on");
}

TEST(UecpPort, SeveralElementsStuffingGarbageAndTheCharacterSet)
{
    UecpRig r;
    Automation tcp(SOCK_STREAM, r.port.listener().tcpPort());
    // PI FEFD travels as FD 01 FD 00; the frame written out in full.
    const std::string pi = Raw({0x01, 0x00, 0x00, 0xFE, 0xFD});
    const std::string message = pi + Raw({0x02, 0, 0}) + "QUORVAN " + Raw({0x07, 0, 0, 5});
    const std::uint16_t crc = test::WireCrc(Raw({0x00, 0x00, 0x21, 20}) + message);
    ASSERT_LT(crc >> 8, 0xFD);
    ASSERT_LT(crc & 0xFF, 0xFD);
    const std::string frame = Raw({0xFE, 0x00, 0x00, 0x21, 20, 0x01, 0x00, 0x00, 0xFD, 0x01, 0xFD, 0x00, 0x02, 0, 0}) +
                              "QUORVAN " + Raw({0x07, 0, 0, 5, crc >> 8, crc & 0xFF, 0xFF});
    ASSERT_EQ(frame, Wire(message, 0x21));
    tcp.send("noise\r\n" + frame + "\x01\x02more noise");
    r.serve();
    EXPECT_EQ(r.params.program.PI, "FEFD");
    EXPECT_EQ(r.params.program.PSDEF, "QUORVAN ");
    EXPECT_EQ(r.params.program.PTY, 5);
    EXPECT_EQ(r.rig.ram(image::kPI, 2), "FE FD");
    EXPECT_EQ(r.port.log().back().text, "PI FEFD, PS QUORVAN , PTY 5");

    // Texts arrive in the RDS table and are kept in the station's character set.
    const char rdsAUmlaut = static_cast<char>(*RdsCode(U'\u00C4'));
    r.params.preferences.CBCHARSET = 0;  // Latin-1
    tcp.send(Wire(Raw({0x02, 0, 0}) + rdsAUmlaut + "RGER   " + Raw({0x0A, 0, 0, 4, 0}) + rdsAUmlaut + "RG"));
    r.serve();
    EXPECT_EQ(r.params.program.PSDEF, "\xC4RGER   ");
    EXPECT_EQ(r.params.radiotext.RT1, "\xC4RG");
    EXPECT_EQ(r.port.log().back().text, "PS \xC3\x84RGER   , RT '\xC3\x84RG'");
}

TEST(UecpPort, RefusedAndForeignFramesChangeNothing)
{
    UecpRig r(5, 3);
    r.params.program.PSDEF = "BEFORE  ";
    const auto before = r.rig.ram(0, 0x20);
    Automation tcp(SOCK_STREAM, r.port.listener().tcpPort());
    const std::string ps = Raw({0x02, 0, 0}) + "AFTER   ";
    std::string badCrc = Wire(ps, 1, (5 << 6) | 3);
    badCrc[badCrc.size() - 3] ^= 0x40;
    tcp.send(badCrc);
    tcp.send(Wire(ps, 2, (5 << 6) | 4));             // another encoder of this site
    tcp.send(Wire(ps, 3, (6 << 6) | 3));             // another site
    tcp.send(Wire(ps + Raw({0x07, 0, 0, 40}), 4)); // a good PS with a bad PTY
    tcp.send(Wire(ps + Raw({0x55}), 5));           // a good PS, then an unknown element
    r.serve();
    EXPECT_EQ(r.params.program.PSDEF, "BEFORE  ");
    EXPECT_EQ(r.rig.ram(0, 0x20), before);
    EXPECT_EQ(r.rig.transactions(), 0u);
    ASSERT_EQ(r.port.log().size(), 4u);  // the foreign frames: one line for their sender
    EXPECT_EQ(r.port.log()[0].text, "frame refused: CRC error");
    EXPECT_TRUE(r.port.log()[0].error);
    EXPECT_EQ(r.port.log()[1].text, "frames for encoder 4 ignored; this is site 5 encoder 3");
    EXPECT_EQ(r.port.log()[3].text, "frame refused: message unknown");

    // This site and encoder, site 0 and encoder 0 (everyone) are ours.
    for (const int address : {(5 << 6) | 3, 0, (5 << 6), 3}) {
        r.params.program.PSDEF.clear();
        tcp.send(Wire(ps, 0, address));
        r.serve();
        EXPECT_EQ(r.params.program.PSDEF, "AFTER   ") << address;
    }
}

// A flood of bad frames shows ten log lines a second, then the count of the
// rest; a sender outside the allow list is logged the same way.
TEST(UecpPort, OneSenderCannotFillTheLog)
{
    UecpRig r;
    Automation tcp(SOCK_STREAM, r.port.listener().tcpPort());
    std::string badCrc = Wire(Raw({0x02, 0, 0}) + "FLOODED ", 1);
    badCrc[badCrc.size() - 3] ^= 0x40;
    for (int i = 0; i < 40; ++i)
        tcp.send(badCrc);
    r.serve();
    ASSERT_EQ(r.port.log().size(), static_cast<std::size_t>(LogLimiter::kLinesPerSecond));
    EXPECT_EQ(r.port.log().back().text, "frame refused: CRC error");
    r.rig.time.advanceMs(999);
    EXPECT_EQ(r.port.expire(), 1);
    r.rig.time.advanceMs(1);
    r.port.expire();
    ASSERT_EQ(r.port.log().size(), static_cast<std::size_t>(LogLimiter::kLinesPerSecond) + 1);
    EXPECT_EQ(r.port.log().back().text, "30 more lines from 127.0.0.1 not shown");

    r.port.stop();
    UecpConfig closed;
    closed.net.udpPort = kAnyPort;
    closed.net.tcpPort = 0;
    closed.net.allow = *AllowList::Parse("10.0.0.0/8");
    ASSERT_TRUE(r.port.start(closed)) << r.port.status();
    Automation udp(SOCK_DGRAM, r.port.listener().udpPort());
    for (int i = 0; i < 15; ++i)
        udp.send(Wire(Raw({0x02, 0, 0}) + "INTRUDER", 1));
    r.serve();
    EXPECT_EQ(r.port.log().back().text, "refused 127.0.0.1 UDP (not in the allow list)");
    EXPECT_EQ(r.port.log().back().peer, "127.0.0.1 UDP");
}

TEST(UecpPort, ModeTwoAcknowledgesEveryFrameModeOneAnswersRequests)
{
    UecpRig r;
    Automation tcp(SOCK_STREAM, r.port.listener().tcpPort());
    // Mode 0: nothing comes back, not even for a request.
    tcp.send(Wire(Raw({0x17, 1, 0x07}), 1));
    r.serve();
    EXPECT_EQ(tcp.received(), "");

    // Mode 2: the switch itself is acknowledged, then every frame.
    tcp.send(Wire(Raw({0x2C, 2}), 0x10));
    r.serve();
    EXPECT_EQ(tcp.received(), Wire(Raw({0x18, 0}), 0x10));
    struct Case {
        std::string frame;
        std::string ack;
    };
    std::string badCrc = Wire(Raw({0x07, 0, 0, 1}), 0x13);
    badCrc[5] ^= 1;
    const Case cases[] = {
        {Wire(Raw({0x07, 0, 0, 9}), 0x11), Wire(Raw({0x18, 0}), 0x11)},
        {Wire(Raw({0x07, 0, 0, 99}), 0x12), Wire(Raw({0x18, 6, 0x12}), 0x12)},
        {badCrc, Wire(Raw({0x18, 1, 0x13}), 0x13)},
        {Wire(Raw({0x66, 0}), 0x14), Wire(Raw({0x18, 3, 0x14}), 0x14)},
        {Wire(Raw({0x07, 1, 0, 9}), 0x15), Wire(Raw({0x18, 4, 0x15}), 0x15)},
        {Wire(Raw({0x07, 0, 9, 9}), 0x16), Wire(Raw({0x18, 5, 0x16}), 0x16)},
        {Wire(Raw({0x0A, 0, 0, 70}) + std::string(70, 'x'), 0x17), Wire(Raw({0x18, 7, 0x17}), 0x17)},
        {Raw({0xFE, 0, 0, 0x18, 0, 0xFD, 0x07, 0xFF}), Wire(Raw({0x18, 12, 0x18}), 0x18)},
        {Wire(Raw({0x17, 1, 0x0D}), 0x19), Wire(Raw({0x18, 9, 0x19}), 0x19)},
    };
    for (const Case& c : cases) {
        tcp.send(c.frame);
        r.serve();
        EXPECT_EQ(tcp.received(), c.ack);
    }
    EXPECT_EQ(r.params.program.PTY, 9);

    // A request in mode 2: the acknowledgement, then the element with its value.
    r.params.program.PSDEF = "QUORVAN";
    tcp.send(Wire(Raw({0x17, 3, 0x02, 0, 0}), 0x20));
    r.serve();
    EXPECT_EQ(tcp.received(), Wire(Raw({0x18, 0}), 0x20) + Wire(Raw({0x02, 0, 0}) + "QUORVAN ", 0x20));

    // Mode 1: only requests are answered.
    tcp.send(Wire(Raw({0x2C, 1}), 0x21) + Wire(Raw({0x07, 0, 0, 3}), 0x22) + Wire(Raw({0x17, 1, 0x07}), 0x23) +
             Wire(Raw({0x17, 1, 0x13}), 0x24));
    r.serve();
    EXPECT_EQ(tcp.received(), Wire(Raw({0x07, 0, 0, 3}), 0x23) + Wire(Raw({0x13, 0, 0, 1, 224}), 0x24));
}

// The clock-time record in the encoder's RAM (0x68..0x6C).
ClockTimeFields LoadedClockTime(EncoderRig& rig)
{
    std::array<std::uint8_t, 5> ct{};
    const test::Bytes raw = test::Hex(rig.ram(image::kCTBits, 5));
    std::copy(raw.begin(), raw.end(), ct.begin());
    return UnpackClockTime(ct);
}

TEST(UecpPort, TheClockCarriesHalfHoursAndItsSignExactlyAndRefusesImpossibleDates)
{
    UecpRig r;
    Automation tcp(SOCK_STREAM, r.port.listener().tcpPort());
    tcp.send(Wire(Raw({0x2C, 2}), 1));
    r.serve();
    EXPECT_EQ(tcp.received(), Wire(Raw({0x18, 0}), 1));

    // 12:00 UTC at +5:30 (11 half hours): UTC stays 12:00, local 17:30.
    tcp.send(Wire(Raw({0x0D, 26, 3, 10, 12, 0, 0, 0, 11}), 2));
    r.serve();
    EXPECT_EQ(tcp.received(), Wire(Raw({0x18, 0}), 2));
    EXPECT_EQ(LoadedClockTime(r.rig), (ClockTimeFields{ModifiedJulianDay(2026, 3, 10), 12, 0, false, 11}));

    // -3:30 (bit 5, the sense, and 7 half hours), and what a radio makes of
    // the 4A group it puts on air.
    rds::EncoderStream stream;
    stream.Next(r.rig.encoder.state());  // the latches before are history
    tcp.send(Wire(Raw({0x0D, 26, 12, 31, 23, 45, 0, 0, 0x20 | 7}), 3));
    r.serve();
    EXPECT_EQ(tcp.received(), Wire(Raw({0x18, 0}), 3));
    const ClockTimeFields west{ModifiedJulianDay(2026, 12, 31), 23, 45, true, 7};
    EXPECT_EQ(LoadedClockTime(r.rig), west);
    rds::Receiver radio;
    for (int i = 0; i < 20 && !radio.clockTime; ++i)
        radio.Take(stream.Next(r.rig.encoder.state()));
    ASSERT_TRUE(radio.clockTime.has_value());
    EXPECT_EQ(*radio.clockTime, west);
    EXPECT_EQ(radio.groupsOfType[4 * 2], 1u);

    // Dates that do not exist and offset bytes with bit 6 or 7 set are
    // refused (out of range) and load nothing; 29 February of a leap year is taken.
    const struct {
        std::string element;
        int code;
    } cases[] = {
        {Raw({0x0D, 26, 2, 30, 8, 0, 0, 0, 2}), 6},
        {Raw({0x0D, 26, 2, 29, 8, 0, 0, 0, 2}), 6},
        {Raw({0x0D, 26, 4, 31, 8, 0, 0, 0, 2}), 6},
        {Raw({0x0D, 26, 1, 10, 8, 0, 0, 0, 0x42}), 6},
        {Raw({0x0D, 26, 1, 10, 8, 0, 0, 0, 0x80}), 6},
        {Raw({0x0D, 26, 1, 10, 8, 0, 0, 0, 0x60}), 6},
        {Raw({0x0D, 28, 2, 29, 8, 0, 0, 0, 0}), 0},
    };
    std::uint8_t sqc = 4;
    for (const auto& c : cases) {
        const ClockTimeFields before = LoadedClockTime(r.rig);
        tcp.send(Wire(c.element, sqc));
        r.serve();
        if (c.code == 0) {
            EXPECT_EQ(tcp.received(), Wire(Raw({0x18, 0}), sqc));
            EXPECT_EQ(LoadedClockTime(r.rig), (ClockTimeFields{ModifiedJulianDay(2028, 2, 29), 8, 0, false, 0}));
        } else {
            EXPECT_EQ(tcp.received(), Wire(Raw({0x18, static_cast<std::uint8_t>(c.code), sqc}), sqc)) << int(sqc);
            EXPECT_EQ(LoadedClockTime(r.rig), before) << int(sqc);
        }
        ++sqc;
    }
}

TEST(UecpPort, ARequestAnswersTheValueAtItsPlaceInTheStream)
{
    UecpRig r;
    Automation tcp(SOCK_STREAM, r.port.listener().tcpPort());
    // One burst: the requests wait with the commands, and each one answers
    // what the frames before it set, not what came after it.
    tcp.send(Wire(Raw({0x2C, 1}), 1) + Wire(Raw({0x07, 0, 0, 3}), 2) + Wire(Raw({0x17, 1, 0x07}), 3) +
             Wire(Raw({0x07, 0, 0, 5}), 4) + Wire(Raw({0x02, 0, 0}) + "FIRST   ", 5) + Wire(Raw({0x17, 1, 0x07}), 6) +
             Wire(Raw({0x17, 3, 0x02, 0, 0}), 7) + Wire(Raw({0x02, 0, 0}) + "SECOND  ", 8) +
             Wire(Raw({0x07, 0, 0, 9}), 9) + Wire(Raw({0x17, 3, 0x02, 0, 0}), 10));
    r.serve();
    EXPECT_EQ(tcp.received(), Wire(Raw({0x07, 0, 0, 3}), 3) + Wire(Raw({0x07, 0, 0, 5}), 6) +
                                  Wire(Raw({0x02, 0, 0}) + "FIRST   ", 7) + Wire(Raw({0x02, 0, 0}) + "SECOND  ", 10));
    EXPECT_EQ(r.params.program.PTY, 9);
    EXPECT_EQ(r.rig.ramText(image::kPS, 8), "SECOND  ");
}

TEST(UecpPort, UdpTakesSeveralFramesPerDatagramAndAnswersTheSender)
{
    UecpRig r;
    Automation udp(SOCK_DGRAM, r.port.listener().udpPort());
    udp.send(Wire(Raw({0x2C, 2}), 1) + Wire(Raw({0x02, 0, 0}) + "FIRST   ", 2) +
             Wire(Raw({0x02, 0, 0}) + "SECOND  ", 3));
    r.serve();
    EXPECT_EQ(r.params.program.PSDEF, "SECOND  ");
    EXPECT_EQ(udp.received(), Wire(Raw({0x18, 0}), 1) + Wire(Raw({0x18, 0}), 2) + Wire(Raw({0x18, 0}), 3));
    EXPECT_EQ(r.rig.transactions(), 1u);  // the newer PS replaced the older while they waited

    // A frame does not go on into the next datagram.
    const std::string frame = Wire(Raw({0x07, 0, 0, 4}), 4);
    udp.send(frame.substr(0, 5));
    udp.send(frame.substr(5));
    r.serve();
    EXPECT_EQ(r.params.program.PTY, 0);
    EXPECT_EQ(udp.received(), Wire(Raw({0x18, 10, 4}), 4));
}

TEST(UecpPort, SerialLineOverAPseudoTerminal)
{
    int master = -1, slave = -1;
    char name[256] = {};
    ASSERT_EQ(::openpty(&master, &slave, name, nullptr, nullptr), 0);
    termios raw{};
    ::tcgetattr(master, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(master, TCSANOW, &raw);

    UecpRig r(0, 0, std::string(name) + ":19200");
    EXPECT_EQ(r.port.status().substr(r.port.status().find("serial")), "serial " + std::string(name) + " 19200 8N1");
    auto write = [&](const std::string& bytes) {
        ASSERT_EQ(::write(master, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    };
    write("\x13\x11noise" + Wire(Raw({0x2C, 2}), 1) + Wire(Raw({0x01, 0, 0, 0xFE, 0xFD, 0x02, 0, 0}) + "QUORVAN ", 2));
    r.serve();
    EXPECT_EQ(r.params.program.PI, "FEFD");
    EXPECT_EQ(r.rig.ramText(image::kPS, 8), "QUORVAN ");
    std::string bad = Wire(Raw({0x07, 0, 0, 8}), 3);
    bad[bad.size() - 2] ^= 1;
    write(bad + Wire(Raw({0x17, 1, 0x01}), 4));
    r.serve();
    EXPECT_EQ(r.params.program.PTY, 0);

    std::string got;
    char buf[512];
    pollfd p{master, POLLIN, 0};
    while (::poll(&p, 1, 200) > 0) {
        const ssize_t n = ::read(master, buf, sizeof buf);
        if (n <= 0)
            break;
        got.append(buf, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(got, Wire(Raw({0x18, 0}), 1) + Wire(Raw({0x18, 0}), 2) + Wire(Raw({0x18, 1, 3}), 3) +
                       Wire(Raw({0x18, 0}), 4) + Wire(Raw({0x01, 0, 0, 0xFE, 0xFD}), 4));
    r.port.stop();
    ::close(slave);
    ::close(master);
}

// A radiotext from automation takes the RT+ tags of its own text: the
// artist and title of the song before never stay on air with a traffic
// message.
TEST(UecpPort, ARadiotextReplacesTheTagsOfTheTextBefore)
{
    UecpRig r;
    r.rig.withRecord();
    r.params.radiotext.RTPlus = true;
    Automation tcp(SOCK_STREAM, r.port.listener().tcpPort());
    EXPECT_EQ(ExecuteCommand(ParseLine("ARTIST=Queen"), r.params, r.host), "+");
    EXPECT_EQ(ExecuteCommand(ParseLine("TITLE=Bohemian Rhapsody"), r.params, r.host), "+");
    EXPECT_EQ(r.rig.rtPlus(), "03 04 00 04 01 08 10");

    tcp.send(Wire(Raw({0x0A, 0, 0, 30, 0x00}) + "Traffic: A1 closed near Linz\r"));
    r.serve();
    EXPECT_EQ(r.rig.ramText(image::kRT, 28), "Traffic: A1 closed near Linz");
    EXPECT_EQ(r.rig.rtPlus(), "01 00 00 00 00 00 00");  // RT+ on, no item running
    EXPECT_EQ(ExecuteCommand(ParseLine("RTPLUS?"), r.params, r.host), "RTPLUS=");

    // A text the pattern matches is tagged where it stands.
    tcp.send(Wire(Raw({0x0A, 0, 0, 17, 0x00}) + "Queen - Innuendo"));
    r.serve();
    EXPECT_EQ(r.rig.rtPlus(), "03 04 00 04 01 08 07");
}

// ERTFromRT: an RT element puts its text on air as the eRT in the RDS
// table's letters, also where the station's set (Latin-1) lacks them.
TEST(UecpPort, ARadiotextBringsTheEnhancedRadiotextWithIt)
{
    UecpRig r;
    r.rig.withRecord();
    r.params.preferences.CBCHARSET = 0;  // Latin-1
    r.params.extended.ertFromRt = true;
    Automation tcp(SOCK_STREAM, r.port.listener().tcpPort());
    const std::string name = "Šarić Čuček";
    std::string text;
    for (const char32_t c : Utf8ToChars(name))
        text += static_cast<char>(*RdsCode(c));
    tcp.send(Wire(Raw({0x0A, 0, 0, int(text.size()) + 1, 0x00}) + text));
    r.serve();
    const std::string latin1 = EncodeText(name, Charset::Latin1);
    ASSERT_NE(DecodeText(latin1, Charset::Latin1), name);
    EXPECT_EQ(r.rig.ramText(image::kRT, int(latin1.size())), latin1);
    EXPECT_EQ(r.rig.encoder.extension().values.ert, name);
}

// Every value is checked before anything runs: a frame the station cannot
// take whole is refused with code 6 and changes nothing, the good elements
// before the bad one included.
TEST(UecpPort, AFrameWithAValueTheStationRefusesChangesNothing)
{
    UecpRig r;
    r.params.program.PSDEF = "BEFORE  ";
    Automation tcp(SOCK_STREAM, r.port.listener().tcpPort());
    tcp.send(Wire(Raw({0x2C, 2}), 1));
    r.serve();
    EXPECT_EQ(tcp.received(), Wire(Raw({0x18, 0}), 1));
    const std::string blanks[] = {std::string(8, ' '), std::string(8, '\0')};  // 00 reads as a blank
    for (const std::string& blank : blanks) {
        tcp.send(Wire(Raw({0x07, 0, 0, 7, 0x02, 0, 0}) + blank, 2));
        r.serve();
        EXPECT_EQ(tcp.received(), Wire(Raw({0x18, 6, 2}), 2));
        EXPECT_EQ(r.params.program.PTY, 0);
        EXPECT_EQ(r.params.program.PSDEF, "BEFORE  ");
        EXPECT_EQ(r.rig.transactions(), 0u);
        EXPECT_EQ(r.port.log().back().text, "frame refused: parameter out of range");
    }
    EXPECT_EQ(uecp::ParseMessage(Raw({0x02, 0, 0}) + "       X").code, uecp::kOk);
}

// TA and TP travel in one byte (bit 0 TA, bit 1 TP); each reaches its own
// flag on the encoder.
TEST(UecpPort, TrafficAnnouncementAndTrafficProgrammeApart)
{
    UecpRig r;
    Automation tcp(SOCK_STREAM, r.port.listener().tcpPort());
    tcp.send(Wire(Raw({0x03, 0, 0, 0x01})));
    r.serve();
    EXPECT_EQ(r.rig.ram(image::kTP, 1), "00");
    EXPECT_EQ(r.rig.ram(image::kTA, 1), "01");
    EXPECT_FALSE(r.params.program.TP);
    EXPECT_TRUE(r.params.program.TA);
    tcp.send(Wire(Raw({0x03, 0, 0, 0x02})));
    r.serve();
    EXPECT_EQ(r.rig.ram(image::kTP, 1), "01");
    EXPECT_EQ(r.rig.ram(image::kTA, 1), "00");
    EXPECT_TRUE(r.params.program.TP);
    EXPECT_FALSE(r.params.program.TA);
}

// The configuration byte's toggle bit asks for the other A/B flag; it wins
// over ToggleAB, which keeps the flag for the same text.
TEST(UecpPort, TheToggleBitFlipsTheFlagForTheSameText)
{
    UecpRig r;
    r.params.radiotext.ToggleAB = true;
    Automation tcp(SOCK_STREAM, r.port.listener().tcpPort());
    const std::string text = "Same text";
    tcp.send(Wire(Raw({0x0A, 0, 0, 10, 0x00}) + text));
    r.serve();
    const std::string first = r.rig.ram(image::kRTControl, 1);
    tcp.send(Wire(Raw({0x0A, 0, 0, 10, 0x00}) + text));  // no toggle: the same text keeps its flag
    r.serve();
    EXPECT_EQ(r.rig.ram(image::kRTControl, 1), first);
    tcp.send(Wire(Raw({0x0A, 0, 0, 10, 0x01}) + text));
    r.serve();
    EXPECT_NE(r.rig.ram(image::kRTControl, 1), first);
    tcp.send(Wire(Raw({0x0A, 0, 0, 10, 0x01}) + text));
    r.serve();
    EXPECT_EQ(r.rig.ram(image::kRTControl, 1), first);
}

// A TCP client that sends its request and closes its side still gets the
// answer, which is made only when the commands before it have run.
TEST(UecpPort, AHalfClosedClientGetsItsAnswers)
{
    UecpRig r;
    r.params.program.PTY = 4;
    Automation tcp(SOCK_STREAM, r.port.listener().tcpPort());
    tcp.send(Wire(Raw({0x2C, 1}), 1) + Wire(Raw({0x07, 0, 0, 9}), 2) + Wire(Raw({0x17, 1, 0x07}), 3));
    ASSERT_EQ(::shutdown(tcp.fd, SHUT_WR), 0);
    // The bytes and the end come in while a transfer holds the commands.
    for (int i = 0; i < 20 && r.port.listener().connections() == 0; ++i) {
        pollfd p{r.port.listener().watches()[0].fd, POLLIN, 0};
        ::poll(&p, 1, 100);
        r.port.handleAll();
    }
    for (int i = 0; i < 5; ++i) {
        ::poll(nullptr, 0, 20);
        r.port.handleAll();
    }
    r.port.expire();
    ASSERT_EQ(r.port.listener().connections(), 1);
    r.port.runPending(r.params, r.host);
    EXPECT_EQ(tcp.received(), Wire(Raw({0x07, 0, 0, 9}), 3));
    r.port.expire();
    EXPECT_EQ(r.port.listener().connections(), 0);  // answered: it goes
}

// The UDP senders' modes: a new sender makes room by the one heard least
// recently, whatever its address or port.
TEST(UecpPort, TheSenderHeardLeastRecentlyLosesItsMode)
{
    UecpRig r;
    std::vector<std::unique_ptr<Automation>> senders;
    for (std::size_t i = 0; i <= UecpPort::kMaxUdpSenders; ++i) {
        senders.push_back(std::make_unique<Automation>(SOCK_DGRAM, r.port.listener().udpPort()));
        const sockaddr_in any = Loopback(0);
        ASSERT_EQ(::bind(senders.back()->fd, reinterpret_cast<const sockaddr*>(&any), sizeof any), 0);
    }
    auto portOf = [](const Automation& a) {
        sockaddr_in self{};
        socklen_t length = sizeof self;
        ::getsockname(a.fd, reinterpret_cast<sockaddr*>(&self), &length);
        return ntohs(self.sin_port);
    };
    // The first sender has the lowest port; the last one comes when the table is full.
    std::sort(senders.begin(), senders.begin() + UecpPort::kMaxUdpSenders,
              [&](const auto& a, const auto& b) { return portOf(*a) < portOf(*b); });
    for (std::size_t i = 0; i < UecpPort::kMaxUdpSenders; ++i) {
        senders[i]->send(Wire(Raw({0x2C, 2}), 1));
        r.serve();
        EXPECT_EQ(senders[i]->received(), Wire(Raw({0x18, 0}), 1));
    }
    senders[0]->send(Wire(Raw({0x07, 0, 0, 3}), 2));  // heard again
    r.serve();
    EXPECT_EQ(senders[0]->received(), Wire(Raw({0x18, 0}), 2));
    senders.back()->send(Wire(Raw({0x07, 0, 0, 4}), 3));  // a new sender, mode 0
    r.serve();
    EXPECT_EQ(senders.back()->received(), "");

    senders[0]->send(Wire(Raw({0x07, 0, 0, 5}), 4));
    r.serve();
    EXPECT_EQ(senders[0]->received(), Wire(Raw({0x18, 0}), 4));
    senders[1]->send(Wire(Raw({0x07, 0, 0, 6}), 5));  // the one heard least recently: mode 0 again
    r.serve();
    EXPECT_EQ(senders[1]->received(), "");
    EXPECT_EQ(r.params.program.PTY, 6);
}

// One datagram's frames are acknowledged together: a datagram of a
// thousand frames brings back a few datagrams, not a thousand.
TEST(UecpPort, ADatagramsAcknowledgementsShareDatagrams)
{
    UecpRig r;
    Automation udp(SOCK_DGRAM, r.port.listener().udpPort());
    std::string datagram = Wire(Raw({0x2C, 2}), 0);
    std::string acks = Wire(Raw({0x18, 0}), 0);
    for (int i = 1; i <= 1000; ++i) {
        datagram += Wire("", i & 0xFF);
        acks += Wire(Raw({0x18, 0}), i & 0xFF);
    }
    ASSERT_LT(datagram.size(), 9000u);
    udp.send(datagram);
    r.serve();
    std::string got;
    int datagrams = 0;
    char buf[65536];
    pollfd p{udp.fd, POLLIN, 0};
    while (::poll(&p, 1, 200) > 0) {
        const ssize_t n = ::recv(udp.fd, buf, sizeof buf, MSG_DONTWAIT);
        if (n <= 0)
            break;
        ++datagrams;
        EXPECT_LE(static_cast<std::size_t>(n), Listener::kReplyDatagramMax);
        got.append(buf, static_cast<std::size_t>(n));
    }
    EXPECT_EQ(got, acks);  // every acknowledgement, in order, each frame whole in its datagram
    EXPECT_EQ(datagrams, static_cast<int>((acks.size() + Listener::kReplyDatagramMax - 1) / Listener::kReplyDatagramMax));
}

// Frames for another site or encoder change nothing and say so once per
// sender and minute.
TEST(UecpPort, ForeignFramesAreLoggedOncePerSenderAndMinute)
{
    UecpRig r(0, 0);
    r.port.stop();
    UecpConfig config;
    config.net.udpPort = kAnyPort;
    config.net.tcpPort = kAnyPort;
    config.site = 7;
    config.encoder = 2;
    ASSERT_TRUE(r.port.start(config));
    Automation udp(SOCK_DGRAM, r.port.listener().udpPort());
    const std::string ps = Raw({0x02, 0, 0}) + "ELSEWHER";
    udp.send(Wire(ps, 1, (5 << 6) | 2));
    udp.send(Wire(ps, 2, (5 << 6) | 2));
    udp.send(Wire(ps, 3, (7 << 6) | 3));
    r.serve();
    ASSERT_EQ(r.port.log().size(), 1u);
    EXPECT_EQ(r.port.log()[0].text, "frames for site 5 ignored; this is site 7");
    EXPECT_TRUE(r.port.log()[0].error);
    // Another sender (127.0.0.2, loopback too) in the same minute has its
    // own line, once.
    Automation other(SOCK_DGRAM, r.port.listener().udpPort());
    sockaddr_in from = Loopback(0);
    from.sin_addr.s_addr = htonl(0x7F000002);
    ASSERT_EQ(::bind(other.fd, reinterpret_cast<const sockaddr*>(&from), sizeof from), 0);
    other.send(Wire(ps, 1, (6 << 6) | 2));
    other.send(Wire(ps, 2, (6 << 6) | 2));
    r.serve();
    ASSERT_EQ(r.port.log().size(), 2u);
    EXPECT_EQ(r.port.log()[1].text, "frames for site 6 ignored; this is site 7");
    EXPECT_EQ(r.port.log()[1].peer.rfind("127.0.0.2", 0), 0u) << r.port.log()[1].peer;
    r.rig.time.advanceMs(UecpPort::kForeignLogMs);
    udp.send(Wire(ps, 4, (7 << 6) | 3));
    r.serve();
    ASSERT_EQ(r.port.log().size(), 3u);
    EXPECT_EQ(r.port.log()[2].text, "frames for encoder 3 ignored; this is site 7 encoder 2");
    EXPECT_EQ(r.params.program.PSDEF, "");
    EXPECT_EQ(r.rig.transactions(), 0u);
}

// The elements of the extension record, one by one: the layout each one is
// read with, a value out of range, a length that does not fit.
TEST(UecpExtended, EachElementsLayoutRangeAndLength)
{
    using test::Msg;
    struct Good {
        const char* message;
        const char* described;
    };
    const Good good[] = {
        {"06 00 00 7A 5E", "PIN 15 09:30"},
        {"06 00 00 00 00", "PIN none"},
        {"3E 00 00 'Jazzbar '", "PTYN Jazzbar "},
        {"1A 00 00 00 E0", "ECC E0"},
        {"1A 00 00 30 08", "LIC 08"},
        {"01 00 03 D3 C4", "EON3 PI D3C4"},
        {"02 00 08 'RADIO 8 '", "EON8 PS RADIO 8 "},
        {"03 00 01 03", "EON1 TA 1 TP 1"},
        {"07 00 02 0A", "EON2 PTY 10"},
        {"14 00 03 05 D3 C4 E2 01 0B", "EON3 AF PI D3C4 87.6 88.6"},
        {"16 00 04 00 04 00 02", "group sequence 0A 2A 0A 1A"},
        {"16 00 00", "group sequence (default)"},
        {"0E 00 2D", "RDS level 4.5 %"},
        {"0E E3 E8", "RDS level 100.0 %"},  // reference table 7, the current one
        {"22 03 84", "RDS phase 90.0 deg"},
        {"22 0E 0F", "RDS phase 359.9 deg"},
        {"17 01 06", "request 06"},
        {"17 03 14 00 03", "request 14"},
        {"17 03 02 00 08", "request 02"},
    };
    for (const Good& g : good) {
        const uecp::Message m = uecp::ParseMessage(Msg(g.message));
        ASSERT_EQ(m.code, uecp::kOk) << g.message << ": " << uecp::CodeText(m.code);
        ASSERT_EQ(m.elements.size(), 1u) << g.message;
        EXPECT_EQ(uecp::Describe(m.elements[0]), g.described);
        EXPECT_TRUE(uecp::CommandsOf(m.elements[0]).empty()) << "no line-protocol command for " << g.message;
    }
    struct Bad {
        const char* message;
        int code;
    };
    const Bad bad[] = {
        // out of range
        {"06 00 00 02 40", uecp::kOutOfRange},  // day 0 at 09:00
        {"06 00 00 0E 00", uecp::kOutOfRange},  // hour 24
        {"1A 00 00 30 80", uecp::kOutOfRange},  // LIC above 7F
        {"07 00 03 20", uecp::kOutOfRange},
        {"03 00 03 04", uecp::kOutOfRange},
        {"14 00 03 04 D3 C4 E1 CD", uecp::kOutOfRange},  // code 205 is no frequency
        {"14 00 03 04 00 00 E1 01", uecp::kOutOfRange},  // no PI
        {"14 00 03 10 D3 C4 ED 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D", uecp::kOutOfRange},  // 13 AFs
        {"16 00 02 00 20", uecp::kOutOfRange},  // 16A
        {"0E 03 E9", uecp::kOutOfRange},         // 100.1 %
        {"22 0E 10", uecp::kOutOfRange},         // 360.0 degrees
        {"22 1E 0F", uecp::kOutOfRange},         // bit 12
        // what this encoder does not carry
        {"1A 00 00 05 E0", uecp::kNotAcceptable},  // paging with the ECC
        {"1A 00 00 80 E0", uecp::kNotAcceptable},  // linkage actuator
        {"1A 00 00 10 01", uecp::kNotAcceptable},  // variant 1
        {"0E 60 2D", uecp::kNotAcceptable},        // reference table 3
        {"40 00 00", uecp::kMessageUnknown},
        // programme services
        {"06 00 01 7A 5E", uecp::kPsnError},
        {"3E 00 02 'Jazzbar '", uecp::kPsnError},
        {"02 00 09 'RADIO 9 '", uecp::kPsnError},
        {"04 00 03 01", uecp::kPsnError},
        {"14 00 00 03 D3 C4 E0", uecp::kPsnError},
        {"17 03 14 00 00", uecp::kPsnError},
        {"17 03 02 00 09", uecp::kPsnError},
        {"17 03 06 00 01", uecp::kPsnError},
        {"16 01 01 00", uecp::kDsnError},
        // malformed lengths
        {"06 00 00 7A", uecp::kUnexpectedEnd},
        {"3E 00 00 'Jazz'", uecp::kUnexpectedEnd},
        {"1A 00 00 30", uecp::kUnexpectedEnd},
        {"14 00 03 05 D3 C4 E3 01 02", uecp::kElementLengthError},  // three AFs announced, two there
        {"14 00 03 02 D3 C4", uecp::kElementLengthError},
        {"14 00 03 09 D3 C4", uecp::kElementLengthError},  // MEL past the end
        {"16 00 05 00", uecp::kElementLengthError},
        {"16 00", uecp::kUnexpectedEnd},
        {"0E 00", uecp::kUnexpectedEnd},
        {"22 03", uecp::kUnexpectedEnd},
    };
    const std::string ps = Msg("02 00 00 'QUORVAN '");
    for (const Bad& b : bad) {
        const uecp::Message m = uecp::ParseMessage(ps + Msg(b.message));
        EXPECT_EQ(m.code, b.code) << b.message << ": " << uecp::CodeText(m.code);
        EXPECT_TRUE(m.elements.empty());
    }
}

// The reply to one frame (sent before the expected reply is written out).
#define EXPECT_REPLY(automation, hex, reply)                 \
    do {                                                     \
        const std::string got = (automation).frame(hex);     \
        EXPECT_EQ(got, (automation).reply) << (hex);         \
    } while (false)

struct RecordAutomation {
    explicit RecordAutomation(UecpRig& rig) : r(rig), tcp(SOCK_STREAM, rig.port.listener().tcpPort())
    {
        tcp.send(Wire(test::Msg("2C 02"), 0x01));
        r.serve();
        EXPECT_EQ(tcp.received(), Wire(Raw({0x18, 0}), 0x01));
    }
    // Sends one frame; returns what came back.
    std::string frame(const std::string& hex)
    {
        r.rig.time.advanceMs(1000);
        tcp.send(Wire(test::Msg(hex), ++sqc));
        r.serve();
        return tcp.received();
    }
    std::string ok() const { return Wire(Raw({0x18, 0}), sqc); }
    std::string refused(int code) const { return Wire(Raw({0x18, code, sqc}), sqc); }
    std::string answer(const std::string& hex) const { return ok() + Wire(test::Msg(hex), sqc); }
    UecpRig& r;
    Automation tcp;
    int sqc = 0x10;
};

TEST(UecpPort, TheExtendedElementsSetTheRecordAndRequestsAnswerThem)
{
    UecpRig r;
    r.rig.withRecord();
    RecordAutomation a(r);
    const ExtensionRecord& record = r.rig.encoder.extension();

    EXPECT_REPLY(a, "06 00 00 7A 5E", ok());
    ASSERT_TRUE(record.values.pin.has_value());
    EXPECT_EQ(*record.values.pin, (ProgrammeItem{15, 9, 30}));
    EXPECT_REPLY(a, "3E 00 00 'Jazzbar '", ok());
    EXPECT_EQ(record.values.ptyn, "Jazzbar");
    EXPECT_REPLY(a, "1A 00 00 00 E0 1A 00 00 30 08", ok());
    EXPECT_EQ(record.values.ecc, 0xE0);
    EXPECT_EQ(record.values.lic, 0x08);
    EXPECT_REPLY(a, "01 00 03 D3 C4 02 00 03 'RADIO 3 ' 03 00 03 03 07 00 03 0A 14 00 03 05 D3 C4 E2 01 0B", ok());
    const OtherNetwork& on = record.values.eon[2];
    EXPECT_EQ(on.pi, 0xD3C4);
    EXPECT_EQ(on.ps, "RADIO 3");
    EXPECT_TRUE(on.ta);
    EXPECT_TRUE(on.tp);
    EXPECT_EQ(on.pty, 10);
    EXPECT_EQ(on.af, (std::vector<std::uint8_t>{1, 11}));
    EXPECT_FALSE(record.values.eon[1].used());
    EXPECT_REPLY(a, "16 00 04 00 04 00 02", ok());
    EXPECT_EQ(record.values.groupSequence, (std::vector<SequenceGroup>{SequenceGroup::G0A, SequenceGroup::G2A,
                                                                       SequenceGroup::G0A, SequenceGroup::G1A}));
    EXPECT_REPLY(a, "0E 00 2D 22 03 84", ok());
    EXPECT_EQ(record.rdsLevelTenths, 45);
    EXPECT_EQ(record.rdsPhaseTenths, 900);
    // The chip's RAM saw none of it.
    EXPECT_EQ(r.rig.transactions(), 0u);

    // Requests (mode 2: the acknowledgement, then the element).
    EXPECT_REPLY(a, "17 01 06", answer("06 00 00 7A 5E"));
    EXPECT_REPLY(a, "17 01 3E", answer("3E 00 00 'Jazzbar '"));
    EXPECT_REPLY(a, "17 01 1A", answer("1A 00 00 00 E0 1A 00 00 30 08"));
    EXPECT_REPLY(a, "17 03 01 00 03", answer("01 00 03 D3 C4"));
    EXPECT_REPLY(a, "17 03 02 00 03", answer("02 00 03 'RADIO 3 '"));
    EXPECT_REPLY(a, "17 03 03 00 03", answer("03 00 03 03"));
    EXPECT_REPLY(a, "17 03 07 00 03", answer("07 00 03 0A"));
    EXPECT_REPLY(a, "17 03 14 00 03", answer("14 00 03 05 D3 C4 E2 01 0B"));
    EXPECT_REPLY(a, "17 03 02 00 05", answer("02 00 05 '        '"));  // a network not set
    EXPECT_REPLY(a, "17 01 16", answer("16 00 04 00 04 00 02"));
    EXPECT_REPLY(a, "17 01 0E", answer("0E 00 2D"));
    EXPECT_REPLY(a, "17 01 22", answer("22 03 84"));
    // The same requests as python-uecp's RequestCommand writes them: with the
    // DSN (and PSN) of an element that has them.
    EXPECT_REPLY(a, "17 03 06 00 00", answer("06 00 00 7A 5E"));
    EXPECT_REPLY(a, "17 03 3E 00 00", answer("3E 00 00 'Jazzbar '"));
    EXPECT_REPLY(a, "17 03 1A 00 00", answer("1A 00 00 00 E0 1A 00 00 30 08"));
    EXPECT_REPLY(a, "17 02 16 00", answer("16 00 04 00 04 00 02"));
    EXPECT_REPLY(a, "17 03 07 00 03", answer("07 00 03 0A"));

    // Out of range and malformed: refused with their codes, the record as it was.
    const ExtensionRecord before = record;
    EXPECT_REPLY(a, "0E 03 E9", refused(uecp::kOutOfRange));
    EXPECT_REPLY(a, "22 0E 10", refused(uecp::kOutOfRange));
    EXPECT_REPLY(a, "06 00 00 0E 00", refused(uecp::kOutOfRange));
    EXPECT_REPLY(a, "1A 00 00 30 80", refused(uecp::kOutOfRange));
    EXPECT_REPLY(a, "16 00 02 00 20", refused(uecp::kOutOfRange));
    EXPECT_REPLY(a, "14 00 03 04 D3 C4 E1 CD", refused(uecp::kOutOfRange));
    EXPECT_REPLY(a, "3E 00 00 'Jazz'", refused(uecp::kUnexpectedEnd));
    EXPECT_REPLY(a, "14 00 03 05 D3 C4 E3 01 02", refused(uecp::kElementLengthError));
    EXPECT_REPLY(a, "22 03", refused(uecp::kUnexpectedEnd));
    EXPECT_TRUE(record == before);

    // PIN 0 and an empty sequence clear.
    EXPECT_REPLY(a, "06 00 00 00 00 16 00 00", ok());
    EXPECT_FALSE(record.values.pin.has_value());
    EXPECT_TRUE(record.values.groupSequence.empty());
    // PI 0000 for another network: it is carried no longer, nor its frequencies.
    EXPECT_REPLY(a, "01 00 03 00 00", ok());
    EXPECT_FALSE(record.values.eon[2].used());
    EXPECT_TRUE(record.values.eon[2].af.empty());
    EXPECT_REPLY(a, "17 03 14 00 03", answer("14 00 03 03 00 00 E0"));
}

// From the automation system's frame to a listener's radio: what UECP puts
// into the record, the software encoder's round sends, and a receiver reads
// it back: within 600 groups (53 s), as the other network's PTY (variant 13)
// comes after its PS and AF in turn, once in every fifteen 14A groups here.
TEST(UecpPort, TheExtendedElementsGoOnAir)
{
    UecpRig r;
    r.rig.withRecord();
    RecordAutomation a(r);
    EXPECT_REPLY(a, "01 00 00 D3 C2 02 00 00 'QUORVAN ' 1A 00 00 00 E0 1A 00 00 30 08 06 00 00 7A 5E 3E 00 00 'Jazzbar '",
                 ok());
    EXPECT_REPLY(a, "01 00 03 D3 C4 02 00 03 'RADIO 3 ' 07 00 03 0A 03 00 03 02 14 00 03 05 D3 C4 E2 01 0B", ok());
    rds::EncoderStream stream;
    rds::Receiver radio;
    for (int i = 0; i < 600; ++i)
        radio.Take(stream.Next(r.rig.encoder.state()));
    EXPECT_EQ(radio.ecc, std::optional<std::uint8_t>(0xE0));
    EXPECT_EQ(radio.lic, std::optional<int>(0x08));
    EXPECT_EQ(radio.pin, std::optional<ProgrammeItem>(ProgrammeItem{15, 9, 30}));
    EXPECT_EQ(radio.ptyn, "Jazzbar ");
    const OtherNetwork* on = radio.otherNetwork(0xD3C4);
    ASSERT_NE(on, nullptr);
    EXPECT_EQ(on->ps, "RADIO 3 ");
    EXPECT_EQ(on->pty, 10);
    EXPECT_TRUE(on->tp);
    EXPECT_FALSE(on->ta);
    EXPECT_EQ(on->af, (std::vector<std::uint8_t>{1, 11}));
    EXPECT_GE(radio.groupsOfType[0], 240u);  // 0A keeps at least 40 %
}

TEST(UecpPort, AFrameWithRecordElementsRunsWholeAtItsPlace)
{
    UecpRig r;
    r.rig.withRecord();
    RecordAutomation a(r);
    // The chip's value and the record's in one frame: both taken.
    EXPECT_REPLY(a, "02 00 00 'QUORVAN ' 06 00 00 7A 5E", ok());
    EXPECT_EQ(r.rig.ramText(image::kPS, 8), "QUORVAN ");
    EXPECT_TRUE(r.rig.encoder.extension().values.pin.has_value());
    // One value refused: neither is taken.
    EXPECT_REPLY(a, "02 00 00 'OTHER   ' 3E 00 00 'Jazzbar ' 22 0E 10", refused(uecp::kOutOfRange));
    EXPECT_EQ(r.rig.ramText(image::kPS, 8), "QUORVAN ");
    EXPECT_EQ(r.rig.encoder.extension().values.ptyn, "");

    // A request is answered at its place among the frames sent with it.
    a.r.rig.time.advanceMs(1000);
    a.tcp.send(Wire(test::Msg("0E 00 2D"), 0x30) + Wire(test::Msg("17 01 0E"), 0x31) + Wire(test::Msg("0E 00 64"), 0x32));
    r.serve();
    EXPECT_EQ(a.tcp.received(), Wire(Raw({0x18, 0}), 0x31) + Wire(Raw({0x18, 0}), 0x30) +
                                    Wire(test::Msg("0E 00 2D"), 0x31) + Wire(Raw({0x18, 0}), 0x32));
    EXPECT_EQ(r.rig.encoder.extension().rdsLevelTenths, 100);
}

TEST(UecpPort, ARealChipRefusesTheExtendedElementsWhole)
{
    UecpRig r;  // no extension record: a chip on a real port
    RecordAutomation a(r);
    EXPECT_REPLY(a, "02 00 00 'QUORVAN ' 06 00 00 7A 5E", refused(uecp::kNotAcceptable));
    EXPECT_REPLY(a, "0E 00 2D", refused(uecp::kNotAcceptable));
    EXPECT_EQ(r.rig.transactions(), 0u);  // not even the PS
    EXPECT_REPLY(a, "17 01 22", ok() + Wire(Raw({0x18, uecp::kNotAcceptable, a.sqc}), a.sqc));
    // The chip's own elements as before.
    EXPECT_REPLY(a, "02 00 00 'QUORVAN '", ok());
    EXPECT_EQ(r.rig.ramText(image::kPS, 8), "QUORVAN ");
}

// The level and phase words as python-uecp's RDSLevelSetCommand and
// RDSPhaseSetCommand encode them: the reference table in the top three bits,
// then the level (13 bits) or the phase in tenths of a degree (12 bits). Its
// own examples name reference tables 4 and 5, inputs this encoder does not
// have; the same values for table 0 (all) or 7 (the current one) are taken.
TEST(UecpExtended, LevelAndPhaseWordsAsPythonUecpEncodesThem)
{
    using test::Msg;
    struct Taken {
        const char* message;  // RDSxxxSetCommand(reference_table, value).encode()
        int level;            // the record's tenths afterwards (-1: not set)
        int phase;
    };
    const Taken taken[] = {
        {"22 E5 4C", -1, 1356},  // RDSPhaseSetCommand(7, 1356): 135.6 degrees
        {"22 05 4C", -1, 1356},  // RDSPhaseSetCommand(0, 1356)
        {"22 0E 0F", -1, 3599},  // the largest phase
        {"22 00 00", -1, 0},
        {"0E 03 11", 785, -1},   // RDSLevelSetCommand(0, 785): 78.5 %
        {"0E E0 2D", 45, -1},    // RDSLevelSetCommand(7, 45)
        {"0E 00 00", 0, -1},
    };
    for (const Taken& t : taken) {
        const uecp::Message m = uecp::ParseMessage(Msg(t.message));
        ASSERT_EQ(m.code, uecp::kOk) << t.message << ": " << m.why;
        ExtensionRecord record;
        uecp::ApplyExtended(m.elements.at(0), record);
        EXPECT_EQ(record.rdsLevelTenths.value_or(-1), t.level) << t.message;
        EXPECT_EQ(record.rdsPhaseTenths.value_or(-1), t.phase) << t.message;
    }
    // python-uecp's own examples: 135.0 degrees for input 4, 785 for input 5.
    for (const char* foreignTable : {"22 85 46", "0E A3 11"}) {
        const uecp::Message m = uecp::ParseMessage(Msg(foreignTable));
        EXPECT_EQ(m.code, uecp::kNotAcceptable) << foreignTable;
        EXPECT_NE(m.why.find("reference table"), std::string::npos) << m.why;
    }
    // The answers are what RDSxxxSetCommand(0, value) encodes; before any
    // value came, the software encoder's own start values (4.5 %, 0 degrees).
    ExtensionRecord record;
    EXPECT_EQ(uecp::AnswerExtended(uecp::kRdsLevel, 0, record), Msg("0E 00 2D"));
    EXPECT_EQ(uecp::AnswerExtended(uecp::kRdsPhase, 0, record), Msg("22 00 00"));
    record.rdsLevelTenths = 785;
    record.rdsPhaseTenths = 1356;
    EXPECT_EQ(uecp::AnswerExtended(uecp::kRdsLevel, 0, record), Msg("0E 03 11"));
    EXPECT_EQ(uecp::AnswerExtended(uecp::kRdsPhase, 0, record), Msg("22 05 4C"));
}

// A refused value says in one line which element, what came and what it may
// hold; the log of the port carries that line.
TEST(UecpExtended, ARefusalNamesTheElementAndItsRange)
{
    using test::Msg;
    struct Refused {
        const char* message;
        const char* says;  // a part of the line
    };
    const Refused refused[] = {
        {"22 0E 10", "RDS phase 360.0 deg: the RDS phase must be 0 to 359.9 degrees"},
        {"0E 03 E9", "RDS level 100.1 %: the RDS level must be 0 to 100 % of full scale in steps of 0.1"},
        {"06 00 00 0E 00", "PIN"},
        {"1A 00 00 30 80", "LIC"},
        {"1A 00 00 80 E0", "only variant 0 (ECC) and 3 (LIC)"},
        {"16 00 02 00 20", "code 20 at place 2 is not a group type (00 0A, 02 1A"},
        {"14 00 03 04 D3 C4 E1 CD", "EON3 AF: code 205 is no frequency (1..204: 87.6..107.9 MHz)"},
        {"14 00 03 04 00 00 E1 01", "EON3 AF: the other network's PI is 0000 (0001..FFFF)"},
        {"14 00 03 05 D3 C4 E3 01 02", "EON3 AF: 3 frequencies announced, 2 there"},
        {"07 00 03 20", "EON3PTY"},
        {"03 00 03 04", "EON3 TA/TP: 4 is out of range 0..3"},
    };
    for (const Refused& r : refused) {
        const uecp::Message m = uecp::ParseMessage(Msg(r.message));
        EXPECT_NE(m.code, uecp::kOk) << r.message;
        EXPECT_NE(m.why.find(r.says), std::string::npos) << r.message << ": '" << m.why << "'";
        EXPECT_EQ(m.why.find('\n'), std::string::npos);
    }
    // The ranges in the lines of the PIN, the LIC and the PTY.
    EXPECT_NE(uecp::ParseMessage(Msg("06 00 00 0E 00")).why.find("23"), std::string::npos);
    EXPECT_NE(uecp::ParseMessage(Msg("1A 00 00 30 80")).why.find("7F"), std::string::npos);
    EXPECT_NE(uecp::ParseMessage(Msg("07 00 03 20")).why.find("31"), std::string::npos);

    UecpRig rig;
    rig.rig.withRecord();
    RecordAutomation a(rig);
    EXPECT_REPLY(a, "22 03 84", ok());
    EXPECT_REPLY(a, "22 0E 10", refused(uecp::kOutOfRange));
    EXPECT_EQ(rig.port.log().back().text, "frame refused: parameter out of range (RDS phase 360.0 deg: the RDS "
                                          "phase must be 0 to 359.9 degrees in steps of 0.1)");
    EXPECT_TRUE(rig.port.log().back().error);
    EXPECT_EQ(rig.rig.encoder.extension().rdsPhaseTenths, 900);  // the old value stays
}

// Elements of the protocol this encoder does not build (the clock
// correction, the PSN switch, data set select, free-format groups, ODA
// configuration) are refused with "message unknown" (3), alone, among good
// ones and as requests; nothing of such a frame is taken.
TEST(UecpPort, AnElementNotBuiltIsRefusedAsUnknown)
{
    UecpRig r;
    r.rig.withRecord();
    RecordAutomation a(r);
    const ExtensionRecord before = r.rig.encoder.extension();
    for (const char* unknown : {"09 00 00 00", "0B 00 00 01", "1C 00", "24 00 30 00 00 00 00 00",
                                "40 00 4B D7 16 00 00"}) {
        EXPECT_REPLY(a, unknown, refused(uecp::kMessageUnknown));
        EXPECT_EQ(r.port.log().back().text, "frame refused: message unknown") << unknown;
        EXPECT_REPLY(a, std::string("02 00 00 'QUORVAN ' 06 00 00 7A 5E ") + unknown, refused(uecp::kMessageUnknown));
    }
    EXPECT_REPLY(a, "17 01 40", refused(uecp::kMessageUnknown));
    EXPECT_REPLY(a, "17 01 24", refused(uecp::kMessageUnknown));
    EXPECT_TRUE(r.rig.encoder.extension() == before);
    EXPECT_EQ(r.rig.transactions(), 0u);
    EXPECT_EQ(r.params.program.PSDEF, "");
}

} // namespace
} // namespace quorvan::remote
