// ERTFromRT on the command line: quorvanctl rt puts its text on air as the
// enhanced radiotext in its own letters, while the 2A radiotext carries the
// RDS table's transliteration. Read back as a radio reads it, from the groups
// quorvanctl groups prints.
#include "cli/cli_runner.h"
#include "content/charset.h"
#include "content/radiotext.h"
#include "rds/receiver.h"
#include "support/hex_group.h"

#include <gtest/gtest.h>

namespace quorvan::test {
namespace {

const std::string kCyrillic = "Кино – Группа крови";

struct ErtFromRadiotext : ::testing::Test {
    void writeSettings(bool ertFromRt)
    {
        box.write("station.rds", "[Config]\r\nCharset=1\r\n"
                                 "[General]\r\nPI=D3C2\r\nDefaultPS=\"KINO\"\r\n"
                                 "[Radiotext]\r\nEnabled=1\r\nRadiotext1=\"Hello\"\r\n"
                                 "[Extended]\r\nERT=Fixed text\r\nERTFromRT=" +
                                     std::string(ertFromRt ? "1" : "0") + "\r\n");
    }
    CliResult run(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"--settings", box.path("station.rds"), "--port", "virtual:" + box.path("enc.st")});
        return box.run(args);
    }
    // 30 s of the stream, as a radio assembles it.
    rds::Receiver listen() const
    {
        const CliResult r = box.run({"groups", box.path("enc.st"), "--seconds", "30"});
        EXPECT_EQ(r.code, 0) << r.err;
        rds::Receiver radio;
        for (const std::string& line : Lines(r.out))
            radio.Take(HexGroup(line));
        return radio;
    }
    CliSandbox box;
};

TEST_F(ErtFromRadiotext, RtPutsItsTextOnAirInItsOwnLetters)
{
    writeSettings(true);
    ASSERT_EQ(run({"send"}).code, 0);
    // Send puts the settings' radiotext on air, and the eRT follows it.
    rds::Receiver radio = listen();
    EXPECT_EQ(radio.ert, "Hello");

    const CliResult r = run({"rt", kCyrillic});
    ASSERT_EQ(r.code, 0) << r.err;
    radio = listen();
    EXPECT_EQ(radio.ert, kCyrillic);
    EXPECT_TRUE(radio.ertUtf8);
    // 2A: the RDS table's letters, as the chip would send them.
    const std::string transliterated = EncodeText(kCyrillic, Charset::Rds);
    EXPECT_NE(transliterated, kCyrillic);
    EXPECT_EQ(radio.rt, RadiotextBytes(transliterated));
    EXPECT_EQ(radio.ps, "KINO    ");

    // A Send of the settings' radiotext afterwards: eRT follows it again.
    ASSERT_EQ(run({"send"}).code, 0);
    EXPECT_EQ(listen().ert, "Hello");
}

TEST_F(ErtFromRadiotext, WithoutItTheFixedTextStays)
{
    writeSettings(false);
    ASSERT_EQ(run({"send"}).code, 0);
    ASSERT_EQ(run({"rt", kCyrillic}).code, 0);
    const rds::Receiver radio = listen();
    EXPECT_EQ(radio.ert, "Fixed text");
    EXPECT_EQ(radio.rt, RadiotextBytes(EncodeText(kCyrillic, Charset::Rds)));
}

} // namespace
} // namespace quorvan::test
