// The window's timers against the virtual encoder: clock time, radiotext
// switching, text sources, and ticks held back while a handler runs.
#include "encoder_fixture.h"

#include "app/latin1.h"
#include "encoder/clock_time.h"

#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

#include <array>
#include <functional>
#include <utility>

using test_support::EncoderFixture;

namespace {

std::array<std::uint8_t, 5> ClockTimeRam(const EncoderFixture& f)
{
    std::array<std::uint8_t, 5> bytes{};
    for (int i = 0; i < 5; ++i)
        bytes[size_t(i)] = f.ram(0x68 + i);
    return bytes;
}

void SetTime(EncoderFixture& f, int hour, int minute, int second, int msec)
{
    quorvan::DateTime t = f.time.now();
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    t.msec = msec;
    f.time.set(t);
}

// Passes the parallel-port accesses on and runs `ticks` once, at the tenth
// write: timer ticks that arrive while a transfer is under way.
class TickInTheMiddle final : public quorvan::PortIo {
public:
    TickInTheMiddle(quorvan::PortIo& inner, std::function<void()> ticks) : inner_(inner), ticks_(std::move(ticks)) {}
    void write(std::int32_t address, std::uint8_t value) override
    {
        inner_.write(address, value);
        if (++writes_ == 10)
            ticks_();
    }
    std::uint8_t read(std::int32_t address) override { return inner_.read(address); }
    quorvan::PortIo* inner() const { return &inner_; }

private:
    quorvan::PortIo& inner_;
    std::function<void()> ticks_;
    int writes_ = 0;
};

} // namespace

class TimersTest : public QObject {
    Q_OBJECT
private slots:
    void clockTimeResumesAndTriggersOncePerMinute();
    void clockTimeStopsAndStartsWithTheButton();
    void tickDuringATransferRunsOnceAfterIt();
    void ticksGoOnWhileABoxWaits();
    void radiotextSwitchingAlternates();
    void textSourceReachesWindowAndEncoder();
    void chooseButtonsFillTheSourceFields();
};

void TimersTest::clockTimeResumesAndTriggersOncePerMinute()
{
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[Config]"), QStringLiteral("CTState=Start"), QStringLiteral("UTCOffset=1"),
                     QStringLiteral("SummerTimeOffset=1"), QStringLiteral("Summertime=1")});
    quorvan_app::TForm1& form = f.start();
    QCOMPARE(form.BSETCT->text(), QStringLiteral("Stop"));
    QVERIFY(form.LCT->isVisibleTo(form.TSSystem));
    QVERIFY(form.Timer3->isActive());
    // Loaded at once, with the offset of the settings (+2 hours).
    QCOMPARE(f.ram(0x67), 0x40);
    QCOMPARE(ClockTimeRam(f), quorvan::ClockTimeBytes(f.time.now(), 2));
    QCOMPARE(f.time.now().minute, 5);

    quorvan::VirtualEncoder& enc = f.encoder();
    const auto latches = enc.state().clockTimeLatches;
    auto starts = enc.starts();
    // The first tick finds no remembered minute: one load, no trigger.
    f.time.advanceMs(100);
    form.Timer3Timer();
    QCOMPARE(enc.starts(), starts + 1);
    starts = enc.starts();
    for (int ms = 59000; ms < 60000; ms += 100) {
        SetTime(f, 9, 5, ms / 1000, ms % 1000);
        form.Timer3Timer();
    }
    QCOMPARE(enc.starts(), starts);

    // At the minute boundary: one trigger, then the load of the next minute.
    SetTime(f, 9, 6, 0, 0);
    form.Timer3Timer();
    QCOMPARE(enc.state().clockTimeLatches, latches + 1);
    QCOMPARE(enc.starts(), starts + 2);
    QCOMPARE(ClockTimeRam(f), quorvan::ClockTimeBytes(f.time.now(), 2));
    for (int ms = 300; ms < 2000; ms += 100) {
        SetTime(f, 9, 6, ms / 1000, ms % 1000);
        form.Timer3Timer();
    }
    QCOMPARE(enc.starts(), starts + 2);

    // A tick that comes late into the minute loads it but triggers nothing.
    SetTime(f, 9, 7, 1, 500);
    form.Timer3Timer();
    QCOMPARE(enc.state().clockTimeLatches, latches + 1);
    QCOMPARE(enc.starts(), starts + 3);
}

void TimersTest::clockTimeStopsAndStartsWithTheButton()
{
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[Config]"), QStringLiteral("CTState=On")});
    quorvan_app::TForm1& form = f.start();
    QCOMPARE(form.BSETCT->text(), QStringLiteral("Start"));
    QVERIFY(!form.Timer3->isActive());
    QVERIFY(!form.LCT->isVisibleTo(form.TSSystem));
    QCOMPARE(f.ram(0x67), 0); // nothing loaded

    const auto starts = f.encoder().starts();
    form.Timer3Timer(); // stopped: nothing
    QCOMPARE(f.encoder().starts(), starts);
    form.BSETCTClick();
    QCOMPARE(form.BSETCT->text(), QStringLiteral("Stop"));
    QCOMPARE(f.encoder().starts(), starts + 1);
    form.BSETCTClick();
    QCOMPARE(form.BSETCT->text(), QStringLiteral("Start"));
    QVERIFY(!form.Timer3->isActive());
    QCOMPARE(f.encoder().starts(), starts + 1); // stopping sends nothing
}

void TimersTest::tickDuringATransferRunsOnceAfterIt()
{
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[Config]"), QStringLiteral("CTState=Start")});
    quorvan_app::TForm1& form = f.start();
    form.Timer3Timer(); // remembers this minute
    quorvan::VirtualEncoder& enc = f.encoder();
    const auto starts = enc.starts();
    const auto latches = enc.state().clockTimeLatches;

    // Ticks delivered in the middle of a Switch Off.
    int startsDuringTransfer = -1;
    TickInTheMiddle ticks(*form.Link().portIo(), [&] {
        SetTime(f, 9, 6, 0, 0);
        form.Timer3Timer();
        form.Timer3Timer();
        form.Timer1Timer();
        startsDuringTransfer = int(enc.starts());
    });
    form.Link().setPortIo(&ticks);
    form.BSWOFFClick();
    form.Link().setPortIo(ticks.inner());
    QCOMPARE(startsDuringTransfer, int(starts) + 1); // only the Switch Off's own start
    QVERIFY(!enc.carrier());
    // Afterwards the held tick ran once: trigger and load.
    QCOMPARE(enc.starts(), starts + 3);
    QCOMPARE(enc.state().clockTimeLatches, latches + 1);
}

void TimersTest::ticksGoOnWhileABoxWaits()
{
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[Config]"), QStringLiteral("CTState=Start")});
    quorvan_app::TForm1& form = f.start();
    form.Timer3Timer(); // remembers this minute
    quorvan::VirtualEncoder& enc = f.encoder();
    const auto latches = enc.state().clockTimeLatches;

    // The Reset question: the minute begins while the operator thinks.
    int startsDuringBox = -1;
    auto starts = enc.starts();
    f.answerYes = false;
    f.duringQuestion = [&] {
        form.Timer3Timer();
        startsDuringBox = int(enc.starts());
    };
    SetTime(f, 9, 6, 0, 0);
    form.BRESETClick();
    QCOMPARE(startsDuringBox, int(starts) + 2); // trigger and load, on time
    QCOMPARE(enc.state().clockTimeLatches, latches + 1);
    QCOMPARE(enc.starts(), starts + 2);

    // The Read Status box, after its transfer.
    starts = enc.starts();
    SetTime(f, 9, 7, 0, 0);
    form.BSTATClick();
    QCOMPARE(int(f.messages.size()), 1);
    QCOMPARE(startsDuringBox, int(starts) + 4); // the status read (start, repeated start), trigger, load
    QCOMPARE(enc.state().clockTimeLatches, latches + 2);
}

void TimersTest::radiotextSwitchingAlternates()
{
    EncoderFixture f;
    f.writeSettings({QStringLiteral("[General]"), QStringLiteral("RT3Type=1"), QStringLiteral("[Radiotext]"),
                     QStringLiteral("Enabled=1"), QStringLiteral("Radiotext1=ONE"), QStringLiteral("Radiotext13=THREE"),
                     QStringLiteral("AutoSendNext=1"), QStringLiteral("SendNextAfter=0")});
    quorvan_app::TForm1& form = f.start();
    QVERIFY(form.Timer2->isActive());
    QCOMPARE(form.Timer2->interval(), 30000);

    form.Timer2Timer();
    QVERIFY(form.RBRT[2]->isChecked());
    QVERIFY(!form.RBRT[0]->isChecked());
    QCOMPARE(f.ram(0x1F), 3); // on, type B
    QCOMPARE(f.ramText(0x20, 64), std::string("THREE") + std::string(59, ' '));
    form.Timer2Timer();
    QVERIFY(form.RBRT[0]->isChecked());
    QCOMPARE(f.ram(0x1F), 1);
    QCOMPARE(f.ramText(0x20, 64), std::string("ONE") + std::string(61, ' '));

    // Nothing else to switch to: nothing is written.
    form.RT[2]->clear();
    const auto starts = f.encoder().starts();
    form.Timer2Timer();
    QCOMPARE(f.encoder().starts(), starts);
    QVERIFY(form.RBRT[0]->isChecked());
}

void TimersTest::textSourceReachesWindowAndEncoder()
{
    EncoderFixture f;
    const QString source = f.dir.filePath(QStringLiteral("nowplaying.txt"));
    {
        QFile file(source);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("old line\nArtist - Title   \n");
    }
    f.writeSettings({QStringLiteral("[Radiotext]"), QStringLiteral("Enabled=1"), QStringLiteral("FromFile=1"),
                     QStringLiteral("SourceFile=nowplaying.txt"), QStringLiteral("Prefix=\"Now: \"")});
    quorvan_app::TForm1& form = f.start();
    QVERIFY(form.Timer1->isActive());
    QVERIFY(!form.RT[0]->isEnabled()); // fed from the file

    form.Timer1Timer();
    QCOMPARE(form.RT[0]->text(), QStringLiteral("Now: Artist - Title"));
    QCOMPARE(f.ramText(0x20, 19), std::string("Now: Artist - Title"));
    QCOMPARE(f.ram(0x1F), 1);

    // The remembered text survives a restart: the same file is not sent again.
    f.stop();
    quorvan_app::TForm1& again = f.start();
    const auto starts = f.encoder().starts();
    again.Timer1Timer();
    QCOMPARE(f.encoder().starts(), starts);
}

void TimersTest::chooseButtonsFillTheSourceFields()
{
    EncoderFixture f;
    quorvan_app::TForm1& form = f.start();
    form.ED1F->setText(QStringLiteral("typed*.txt"));
    f.chosenFile = QString(); // cancelled: nothing changes
    form.BR8->click();
    QCOMPARE(form.ED1F->text(), QStringLiteral("typed*.txt"));
    f.chosenFile = f.dir.filePath(QStringLiteral("dps.txt")); // need not exist
    form.BR8->click();
    QCOMPARE(form.ED1F->text(), quorvan_app::FileNameText(f.chosenFile));
    f.chosenFile = f.dir.filePath(QStringLiteral("rt.txt"));
    form.BR9->click();
    QCOMPARE(form.ER1F->text(), quorvan_app::FileNameText(f.chosenFile));
    QCOMPARE(f.dialogs.size(), 3);
    QCOMPARE(f.dialogs.last(), QStringLiteral("All files (*) 0"));
}

QTEST_MAIN(TimersTest)
#include "timers_test.moc"
