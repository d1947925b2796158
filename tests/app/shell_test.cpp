// The application shell: tray menu and hiding, the clock display, the skin
// picture rule, window options, the single-instance lock and the location
// of the settings files.
#include "form_fixture.h"

#include "app/arguments.h"
#include "app/config_dir.h"
#include "app/help_text.h"
#include "app/latin1.h"
#include "app/single_instance.h"
#include "version/version.h"

#include <QAction>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTest>

#include <csignal>
#include <tuple>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using quorvan_app::TForm1;
using test_support::FormFixture;

class ShellTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { test_support::applyLook(); }

    void hiddenStartOffersShowAndExit()
    {
        FormFixture f(/*trayAvailable=*/true);
        TForm1& w = *f.form;
        w.ApplyStoredVisibility(false);
        w.SyncTrayMenu();
        QVERIFY(!w.isVisible());
        QVERIFY(w.Show1->isVisible());
        QVERIFY(!w.Hide1->isVisible());
        QVERIFY(w.Exit1->isVisible());
        QCOMPARE(w.PMTray->defaultAction(), w.Show1);

        w.Show1->trigger();
        QVERIFY(w.isVisible());
        QVERIFY(!w.Show1->isVisible());
        QVERIFY(w.Hide1->isVisible());
        QVERIFY(w.Exit1->isVisible());
        // A second "Show" finds the window visible and does nothing.
        w.VykTray1DblClick();
        QVERIFY(w.isVisible());

        w.Hide1->trigger();
        QVERIFY(!w.isVisible());
        QVERIFY(w.Show1->isVisible());
        QVERIFY(!w.Hide1->isVisible());

        // A double click on the icon shows the window as "Show" does.
        emit w.VykTray1->activated(QSystemTrayIcon::DoubleClick);
        QVERIFY(w.isVisible());
        QVERIFY(!w.Show1->isVisible());
        QVERIFY(w.Hide1->isVisible());
    }

    void storedHiddenWindowStartsInTheTrayAndStaysHidden()
    {
        FormFixture f(/*trayAvailable=*/true);
        f.writeFile(QStringLiteral("quorvan.rds"), "[Config]\r\nVisible=0\r\n");
        TForm1& w = *f.form;
        w.FormCreate();
        QVERIFY(!w.isVisible());
        QVERIFY(w.Show1->isVisible());
        QVERIFY(!w.Hide1->isVisible());
        QVERIFY(w.Exit1->isVisible());
        // Leaving from the tray stores the hidden state for the next start.
        w.Exit1->trigger();
        QFile saved(f.dir.filePath(QStringLiteral("quorvan.rds")));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QVERIFY(saved.readAll().contains("Visible=0"));

        // Without a tray the same file still shows the window.
        FormFixture noTray(/*trayAvailable=*/false);
        noTray.writeFile(QStringLiteral("quorvan.rds"), "[Config]\r\nVisible=0\r\n");
        noTray.form->FormCreate();
        QVERIFY(noTray.form->isVisible());
    }

    void windowOpensCentredWhateverPositionWasStored()
    {
        FormFixture f(/*trayAvailable=*/true);
        f.writeFile(QStringLiteral("quorvan.rds"), "[Config]\r\nTop=7\r\nLeft=5\r\nVisible=0\r\n");
        TForm1& w = *f.form;
        w.FormCreate();
        QVERIFY(!w.isVisible());
        w.Show1->trigger(); // first shown from the tray
        const QRect avail = w.screen()->availableGeometry();
        QVERIFY(qAbs(w.frameGeometry().center().x() - avail.center().x()) <= 1);
        QVERIFY(qAbs(w.frameGeometry().center().y() - avail.center().y()) <= 1);
        QCOMPARE(w.size(), QSize(588, 308));
    }

    void minimisingHidesToTheTray()
    {
        FormFixture f(/*trayAvailable=*/true);
        TForm1& w = *f.form;
        w.FormCreate();
        QVERIFY(w.isVisible());
        QVERIFY(w.Hide1->isVisible());
        w.setWindowState(Qt::WindowMinimized);
        QCoreApplication::processEvents();
        QVERIFY(!w.isVisible());
        QVERIFY(!(w.windowState() & Qt::WindowMinimized));
        QVERIFY(w.Show1->isVisible());
        QVERIFY(!w.Hide1->isVisible());
        w.Show1->trigger();
        QVERIFY(w.isVisible());
    }

    void withoutATrayTheWindowStaysReachable()
    {
        FormFixture f(/*trayAvailable=*/false);
        TForm1& w = *f.form;
        w.ApplyStoredVisibility(false);
        QVERIFY(w.isVisible());
        w.Hide1Click();
        QVERIFY(w.isVisible());
        w.setWindowState(Qt::WindowMinimized);
        QCoreApplication::processEvents();
        QVERIFY(w.isVisible());
    }

    void exitClosesTheWindowAndReportsIt()
    {
        FormFixture f(/*trayAvailable=*/true);
        TForm1& w = *f.form;
        w.FormCreate();
        bool closed = false;
        connect(&w, &TForm1::closed, this, [&] { closed = true; });
        w.MExit->click();
        QVERIFY(closed);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.StatusText(), QStringLiteral("Exit"));
    }

    void clockDisplayShowsHourMinuteAndDate()
    {
        FormFixture f(false, quorvan::DateTime{2026, 12, 8, 9, 5, 41, 0});
        TForm1& w = *f.form;
        QCOMPARE(w.LTIME->text(), QStringLiteral("0:00"));
        QCOMPARE(w.LDATE->text(), QStringLiteral("0.00.00"));
        w.IdleHandler();
        QCOMPARE(w.LTIME->text(), QStringLiteral("9:05"));
        QCOMPARE(w.LDATE->text(), QStringLiteral("8.12.26"));
        f.time.set(quorvan::DateTime{2030, 1, 31, 23, 59, 0, 0});
        w.IdleHandler();
        QCOMPARE(w.LTIME->text(), QStringLiteral("23:59"));
        QCOMPARE(w.LDATE->text(), QStringLiteral("31.01.30"));
    }

    void skinPictureRule()
    {
        FormFixture f;
        TForm1& w = *f.form;
        w.FormCreate();
        QVERIFY(w.LOGO->pixmap().isNull());

        // A file that is not a picture: the path shows, the page stays as it was.
        f.chosenFile = f.writeFile(QStringLiteral("broken.bmp"), QByteArray("not a picture"));
        w.BR1->click();
        QCOMPARE(w.LImageFile->text(), quorvan_app::FileNameText(QDir::toNativeSeparators(f.chosenFile)));
        QCOMPARE(w.SkinPicturePath(), w.LImageFile->text());
        QVERIFY(w.LOGO->pixmap().isNull());

        // Choosing the same path again does not retry, even once it is readable.
        QImage red(40, 20, QImage::Format_RGB32);
        red.fill(Qt::red);
        QVERIFY(red.save(f.chosenFile, "BMP"));
        w.BR1->click();
        QVERIFY(w.LOGO->pixmap().isNull());

        // Another picture loads, in any format Qt reads.
        f.chosenFile = f.dir.filePath(QStringLiteral("logo.png"));
        QVERIFY(red.save(f.chosenFile, "PNG"));
        w.BR1->click();
        QVERIFY(!w.LOGO->pixmap().isNull());
        QCOMPARE(w.LOGO->pixmap().toImage().pixelColor(w.LOGO->pixmap().width() / 2, 5), QColor(Qt::red));

        // A cancelled dialog changes nothing.
        f.chosenFile.clear();
        const QString before = w.LImageFile->text();
        w.BR1->click();
        QCOMPARE(w.LImageFile->text(), before);

        // Letters beyond Latin-1 in the name: the picture loads, and the
        // stored path (the field's bytes) names the same file again.
        QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("\u0416\u00e1")));
        f.chosenFile = f.dir.filePath(QStringLiteral("\u0416\u00e1/logo.png"));
        QImage blue(40, 20, QImage::Format_RGB32);
        blue.fill(Qt::blue);
        QVERIFY(blue.save(f.chosenFile, "PNG"));
        w.BR1->click();
        QVERIFY(!w.LOGO->pixmap().isNull());
        QCOMPARE(w.LOGO->pixmap().toImage().pixelColor(w.LOGO->pixmap().width() / 2, 5), QColor(Qt::blue));
        QCOMPARE(QFile::decodeName(QByteArray::fromStdString(w.ReadStationParams().preferences.LImageFile)), f.chosenFile);
    }

    // The stored path may name anything. What is no regular file is passed by
    // without reading: a FIFO with no writer must not hold up the start-up,
    // nor a device that never ends.
    void skinPictureThatIsNoRegularFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO without writer") << QStringLiteral("fifo");
        QTest::newRow("endless device") << QStringLiteral("/dev/zero");
        QTest::newRow("directory") << QStringLiteral("dir");
        QTest::newRow("empty file") << QStringLiteral("empty");
        QTest::newRow("missing") << QStringLiteral("missing");
    }
    void skinPictureThatIsNoRegularFile()
    {
        QFETCH(QString, kind);
        FormFixture f;
        QString path = f.dir.filePath(QStringLiteral("logo"));
        if (kind == QLatin1String("fifo"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == QLatin1String("dir"))
            QVERIFY(QDir(f.dir.path()).mkdir(QStringLiteral("logo")));
        else if (kind == QLatin1String("empty"))
            f.writeFile(QStringLiteral("logo"), QByteArray());
        else if (kind != QLatin1String("missing"))
            path = kind;
        f.writeFile(QStringLiteral("quorvan.rds"), "[Config]\r\nLogoPicture=" + QFile::encodeName(path) + "\r\n");
        TForm1& w = *f.form;
        w.FormCreate();
        QCOMPARE(w.LImageFile->text(), path);
        QCOMPARE(w.SkinPicturePath(), path);
        QVERIFY(w.LOGO->pixmap().isNull());

        // A picture chosen afterwards loads.
        QImage red(40, 20, QImage::Format_RGB32);
        red.fill(Qt::red);
        f.chosenFile = f.dir.filePath(QStringLiteral("other"));
        QVERIFY(red.save(f.chosenFile, "BMP"));
        w.BR1->click();
        QVERIFY(!w.LOGO->pixmap().isNull());
    }

    void storedNoneLeavesThePageWithoutPicture()
    {
        FormFixture f;
        TForm1& w = *f.form;
        w.FormCreate();
        w.LoadSkinPicture();
        QVERIFY(w.LOGO->pixmap().isNull());
        QVERIFY(w.SkinPicturePath().isEmpty());
    }

    void alwaysOnTop()
    {
        FormFixture f;
        TForm1& w = *f.form;
        w.FormCreate();
        QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
        w.ALONTOP->click();
        QVERIFY(w.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(w.isVisible());
        QVERIFY(!(w.windowFlags() & Qt::WindowMaximizeButtonHint));
        w.ALONTOP->click();
        QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));
    }

    void statusBarAndCursorHooks()
    {
        FormFixture f;
        TForm1& w = *f.form;
        w.SetStatusText(QStringLiteral("Sending data..."));
        QCOMPARE(w.StatusText(), QStringLiteral("Sending data..."));
        w.SetBusyCursor(true);
        QVERIFY(QApplication::overrideCursor());
        QCOMPARE(QApplication::overrideCursor()->shape(), Qt::BusyCursor);
        w.SetBusyCursor(true); // nested calls do not stack
        w.SetBusyCursor(false);
        QVERIFY(!QApplication::overrideCursor());
    }

    void secondInstanceIsRefused()
    {
        QTemporaryDir dir;
        {
            const quorvan_app::SingleInstance first(QStringLiteral("t1"), dir.path());
            QVERIFY(!first.AlreadyRunning());
            const quorvan_app::SingleInstance second(QStringLiteral("t1"), dir.path());
            QVERIFY(second.AlreadyRunning());
            const quorvan_app::SingleInstance other(QStringLiteral("t2"), dir.path());
            QVERIFY(!other.AlreadyRunning());
        }
        const quorvan_app::SingleInstance again(QStringLiteral("t1"), dir.path());
        QVERIFY(!again.AlreadyRunning());

        // A link at the lock's place is not followed: nothing is created
        // where it points, and the program still starts.
        const QString target = dir.filePath(QStringLiteral("elsewhere"));
        const quorvan_app::SingleInstance probe(QStringLiteral("t3"), dir.path());
        const QString lockPath = probe.LockPath();
        QVERIFY(QFile::remove(lockPath));
        QVERIFY(QFile::link(target, lockPath));
        const quorvan_app::SingleInstance linked(QStringLiteral("t3"), dir.path());
        QVERIFY(!linked.AlreadyRunning());
        QVERIFY(!QFile::exists(target));
    }

    void lockOfAKilledProcessDisappears()
    {
        QTemporaryDir dir;
        int ready[2];
        QVERIFY(pipe(ready) == 0);
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            const quorvan_app::SingleInstance holder(QStringLiteral("crash"), dir.path());
            const char c = holder.AlreadyRunning() ? 'n' : 'y';
            (void)!write(ready[1], &c, 1);
            for (;;)
                pause();
        }
        close(ready[1]);
        char c = 0;
        QCOMPARE(read(ready[0], &c, 1), ssize_t(1));
        close(ready[0]);
        QCOMPARE(c, 'y');
        {
            const quorvan_app::SingleInstance second(QStringLiteral("crash"), dir.path());
            QVERIFY(second.AlreadyRunning());
        }
        kill(child, SIGKILL);
        int status = 0;
        QCOMPARE(waitpid(child, &status, 0), child);
        const quorvan_app::SingleInstance after(QStringLiteral("crash"), dir.path());
        QVERIFY(!after.AlreadyRunning());
    }

    void languageFileBesideTheProgramOrPerUser()
    {
        QTemporaryDir exe;
        QTemporaryDir home;
        const QString beside = exe.filePath(QStringLiteral("quorvan.lng"));
        QCOMPARE(quorvan_app::LanguageFilePathFor(exe.path(), home.path()), beside);
        // A program directory that cannot be written: the per-user file when it exists.
        const QString gone = exe.filePath(QStringLiteral("gone"));
        QCOMPARE(quorvan_app::LanguageFilePathFor(gone, home.path()), gone + QStringLiteral("/quorvan.lng"));
        QVERIFY(QDir(home.path()).mkpath(QStringLiteral("quorvan")));
        QFile own(home.filePath(QStringLiteral("quorvan/quorvan.lng")));
        QVERIFY(own.open(QIODevice::WriteOnly));
        own.close();
        QCOMPARE(quorvan_app::LanguageFilePathFor(gone, home.path()), own.fileName());
        // A writable program directory keeps its own file, unless the program is installed there.
        QCOMPARE(quorvan_app::LanguageFilePathFor(exe.path(), home.path()), beside);
        QCOMPARE(quorvan_app::LanguageFilePathFor(exe.path(), home.path(), /*installed=*/true), own.fileName());
    }

    void virtualEncoderOption()
    {
        quorvan_app::TForm1Options plain;
        QCOMPARE(quorvan_app::ParseArguments({QStringLiteral("quorvan"), QStringLiteral("-x")}, plain),
                 QStringList{QStringLiteral("-x")});
        QVERIFY(!plain.virtualEncoder);
        quorvan_app::TForm1Options bare;
        quorvan_app::ParseArguments({QStringLiteral("quorvan"), QStringLiteral("--virtual-encoder")}, bare);
        QVERIFY(bare.virtualEncoder);
        QVERIFY(bare.virtualStateFile.isEmpty());
        quorvan_app::TForm1Options withFile;
        quorvan_app::ParseArguments({QStringLiteral("quorvan"), QStringLiteral("--virtual-encoder=/tmp/enc.state")},
                                    withFile);
        QVERIFY(withFile.virtualEncoder);
        QCOMPARE(withFile.virtualStateFile, QStringLiteral("/tmp/enc.state"));
    }

    // A packager's script or a menu check runs these without a display and
    // while the program may be running: they print and end with status 0.
    void versionAndHelpNeedNoDisplay()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        const auto run = [&env](const QString& argument) {
            QProcess p;
            p.setProcessEnvironment(env);
            p.start(QStringLiteral(QUORVAN_PROGRAM), {QStringLiteral("--virtual-encoder"), argument});
            const bool ended = p.waitForFinished(60000);
            return std::make_tuple(ended && p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1,
                                   QString::fromUtf8(p.readAllStandardOutput()));
        };
        const auto [versionCode, version] = run(QStringLiteral("--version"));
        QCOMPARE(versionCode, 0);
        QCOMPARE(version, QStringLiteral("quorvan %1\n").arg(QLatin1String(quorvan::programVersion())));
        const auto [helpCode, help] = run(QStringLiteral("--help"));
        QCOMPARE(helpCode, 0);
        QVERIFY(help.startsWith(QStringLiteral("usage: quorvan ")));
        QVERIFY(help.contains(QStringLiteral("--virtual-encoder")));
        // Each option of the usage has its place in the manual page.
        QFile manual(QStringLiteral(QUORVAN_SOURCE_DIR "/packaging/quorvan.1"));
        QVERIFY(manual.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(manual.readAll());
        const QRegularExpression option(QStringLiteral("--[a-z][a-z-]*"));
        for (auto it = option.globalMatch(help); it.hasNext();) {
            const QString word = it.next().captured();
            QVERIFY2(page.contains(QString(word).replace(QLatin1Char('-'), QStringLiteral("\\-"))),
                     qPrintable(word));
        }
    }

    // A typo such as --virtual would start on the real port without a word:
    // the program names what it did not know, on stderr and in the status bar.
    void unknownArgumentsAreNamed()
    {
        quorvan_app::TForm1Options typo;
        const QStringList unknown =
            quorvan_app::ParseArguments({QStringLiteral("quorvan"), QStringLiteral("--virtual"),
                                         QStringLiteral("--virtual-encoder"), QStringLiteral("--bogus")},
                                        typo);
        QCOMPARE(unknown, (QStringList{QStringLiteral("--virtual"), QStringLiteral("--bogus")}));
        QCOMPARE(quorvan_app::UnknownArgumentsWarning(unknown),
                 QStringLiteral("unknown arguments \"--virtual\", \"--bogus\" ignored (quorvan --help lists the options)"));
        QVERIFY(quorvan_app::UnknownArgumentsWarning({}).isEmpty());

        test_support::FormFixture f;
        auto options = f.form->options();
        options.unknownArguments = QStringList{QStringLiteral("--virtual")};
        quorvan_app::TForm1 form(options);
        form.FormCreate();
        QVERIFY2(form.StatusText().contains(QStringLiteral("\"--virtual\"")), qPrintable(form.StatusText()));
        form.close();
    }

    // Without a display Qt would abort (status 134): the program says what it
    // needs and ends with status 1; an unknown argument is named on stderr.
    void withoutADisplayTheProgramSaysSo()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(QString::fromLatin1(name));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(QUORVAN_PROGRAM), {QStringLiteral("--bogus")});
        QVERIFY(p.waitForFinished(60000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(QString::fromUtf8(p.readAllStandardError()),
                 QStringLiteral("quorvan needs a display (DISPLAY or WAYLAND_DISPLAY); quorvanctl works without one\n"));
    }

    // The Help page covers what the README and the manual pages do: the
    // character set, the network port with its reply order, the receiver,
    // the A/B flag and TA after a restart.
    void helpPageCoversWhatTheManualPagesDo()
    {
        const QString help = quorvan_app::HelpText();
        for (const char* topic : {"Character set - ", "\nNetwork\n", "Receiver section", "ToggleAB=1", "RT2? to RT4?",
                                  "barriers", "\"unknown\"", "\u2026"})
            QVERIFY2(help.contains(QString::fromUtf8(topic)), topic);
    }

    void textsAreLatin1Bytes()
    {
        const std::string bytes("Caf\xe9 \xff", 6);
        const QString text = quorvan_app::toQt(bytes);
        QCOMPARE(text, QString::fromUtf8("Café ÿ"));
        QCOMPARE(quorvan_app::toBytes(text), bytes);
        // A character outside the byte set cannot reach the encoder as UTF-8.
        QCOMPARE(quorvan_app::toBytes(QString::fromUtf8("€")), std::string("?"));
    }
};

QTEST_MAIN(ShellTest)
#include "shell_test.moc"
