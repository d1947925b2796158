// A main window wired to the virtual encoder for the operation tests: its
// settings directory is a fresh temporary directory, its clock and sleeper
// one ManualTime (the bus-speed check's busy loop moves it too), and its
// message boxes and the Reset question are answered by the test.
#pragma once

#include "app/form1.h"
#include "manual_spinner.h"
#include "link/clock.h"
#include "link/encoder_link.h"
#include "sim/virtual_encoder.h"

#include <QDir>
#include <QFile>
#include <QStatusBar>
#include <QTemporaryDir>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace test_support {

using MessageKind = quorvan_app::TForm1Options::MessageKind;

struct EncoderFixture {
    explicit EncoderFixture(quorvan::DateTime startTime = quorvan::DateTime{2026, 12, 8, 9, 5, 30, 0})
        : time(startTime), spinner(time)
    {
    }

    quorvan_app::TForm1Options options(bool virtualEncoder = true)
    {
        quorvan_app::TForm1Options o;
        o.exeDirectory = dir.path() + QLatin1Char('/');
        o.trayAvailable = false;
        o.clock = &time;
        o.sleeper = &time;
        o.spinner = &spinner;
    o.monotonic = &time;
    o.waiter = &time;
    o.priority = &priority;
        o.virtualEncoder = virtualEncoder;
        o.virtualStateFile = statePath();
        // Without the virtual encoder, nothing may reach a real port.
        o.ports.parportProcDir = dir.filePath(QStringLiteral("proc")).toStdString();
        o.ports.devDir = dir.filePath(QStringLiteral("dev")).toStdString();
        o.ports.directIo = false;
        o.openFile = [this](const QString&, const QString& filter, bool mustExist) {
            dialogs << QStringLiteral("%1 %2").arg(filter).arg(mustExist);
            return chosenFile;
        };
        o.showMessage = [this](MessageKind kind, const QString& text) {
            messages.emplace_back(kind, text);
            if (duringQuestion)
                duringQuestion();
        };
        o.askYesNo = [this](const QString& text) {
            questions << text;
            if (duringQuestion)
                duringQuestion();
            return answerYes;
        };
        return o;
    }

    // Writes quorvan.rds (lines joined with CR LF).
    void writeSettings(const QStringList& lines) const
    {
        QFile f(settingsPath());
        if (f.open(QIODevice::WriteOnly))
            f.write(lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
    }
    QByteArray readSettings() const
    {
        QFile f(settingsPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    // Creates the window and runs its start-up.
    quorvan_app::TForm1& start(bool virtualEncoder = true)
    {
        form = std::make_unique<quorvan_app::TForm1>(options(virtualEncoder));
        form->FormCreate();
        return *form;
    }
    // Closes the window (saving the settings) and forgets it.
    void stop()
    {
        form->close();
        form.reset();
    }

    quorvan::VirtualEncoder& encoder() const { return *form->VirtualEncoder(); }
    std::uint8_t ram(int address) const { return encoder().ram(address); }
    // The RT+ registers in the virtual encoder's extension record.
    std::string rtPlusText() const
    {
        const auto& r = encoder().extension().rtPlus;
        return std::string(r.begin(), r.end());
    }
    std::string ramText(int address, int length) const
    {
        std::string s;
        for (int i = 0; i < length; ++i)
            s.push_back(char(encoder().ram(address + i)));
        return s;
    }
    QString status() const { return form->StatusBar1->currentMessage(); }
    // Lets more than the one second of the Send/Receive guard pass.
    void pass(int ms = 1500) { time.advanceMs(ms); }

    QString settingsPath() const { return dir.filePath(QStringLiteral("quorvan.rds")); }
    QString statePath() const { return dir.filePath(QStringLiteral("encoder.state")); }

    // Letters outside ASCII in the program's directory: its name must reach
    // the file system as the file system's own bytes.
    QTemporaryDir dir{QDir::tempPath() + QStringLiteral("/quorvan-R\u00e1dio-XXXXXX")};
    quorvan::ManualTime time;
    ManualSpinner spinner;
    ManualPriority priority;
    std::vector<std::pair<MessageKind, QString>> messages;
    QStringList questions;
    QStringList dialogs;    // "filter mustExist" of each open dialog
    QString chosenFile;     // what the open dialogs "choose" ("" = cancelled)
    bool answerYes = true;
    std::function<void()> duringQuestion; // runs while a question or message box waits
    std::unique_ptr<quorvan_app::TForm1> form;
};

} // namespace test_support
