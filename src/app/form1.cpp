#include "app/form1.h"

#include "app/app_icon.h"
#include "app/arguments.h"
#include "app/config_dir.h"
#include "app/form_engine.h"
#include "app/latin1.h"
#include "app/look.h"
#include "app/translation.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QWindowStateChangeEvent>

namespace quorvan_app {

void SetTag(QObject* object, int tag)
{
    object->setProperty("Tag", tag);
}

int Tag(const QObject* object)
{
    return object->property("Tag").toInt();
}

namespace {

// Page area inside PageControl1, and the command column beside it.
constexpr int kPageControlX = 2;
constexpr int kPageControlY = 2;
constexpr int kPageControlWidth = 493;
constexpr int kPageControlHeight = 283;
constexpr int kStatusBarHeight = 19;
constexpr int kColumnX = 499;
constexpr int kColumnWidth = 85;

QToolButton* makeCommandButton(QWidget* parent, const char* name, const QString& caption,
                               const QIcon& icon, int y)
{
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    b->setText(caption);
    b->setIcon(icon);
    b->setIconSize(QSize(24, 24));
    b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    QFont f = b->font();
    f.setBold(true);
    b->setFont(f);
    b->setGeometry(kColumnX, y, kColumnWidth, 52);
    // A click takes the focus, as a push button's does: the field being
    // typed in is left (and normalised) before the operation reads it.
    b->setFocusPolicy(Qt::StrongFocus);
    SetTag(b, 1);
    return b;
}

} // namespace

TForm1::TForm1(TForm1Options options, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint
                          | Qt::WindowCloseButtonHint),
      options_(std::move(options))
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quorvan"));
    setWindowIcon(ProgramIcon());
    setFont(ProgramFont());
    setFixedSize(kClientWidth, kClientHeight);
    if (!options_.clock) {
        ownClock_ = std::make_unique<quorvan::SystemClock>();
        options_.clock = ownClock_.get();
    }
    trayAvailable_ = options_.trayAvailable.value_or(QSystemTrayIcon::isSystemTrayAvailable());
    engine_ = std::make_unique<FormEngine>(*this, options_);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName(QStringLiteral("PageControl1"));
    PageControl1->setGeometry(kPageControlX, kPageControlY, kPageControlWidth, kPageControlHeight);
    PageControl1->setUsesScrollButtons(false);
    PageControl1->tabBar()->setAttribute(Qt::WA_Hover); // tabs highlight under the mouse
    auto addPage = [this](QWidget*& page, const char* name, const QString& caption, int tag) {
        page = new QWidget;
        page->setObjectName(QLatin1String(name));
        page->setAutoFillBackground(false);
        SetTag(page, tag);
        PageControl1->addTab(page, caption);
    };
    addPage(TSProgram, "TSProgram", QStringLiteral("Program"), 0);
    addPage(TSDPS1, "TSDPS1", QStringLiteral("Dynamic PS"), 1);
    addPage(TSRT, "TSRT", QStringLiteral("Radiotext"), 1);
    addPage(TSSystem, "TSSystem", QStringLiteral("System"), 1);
    addPage(MPreferences, "MPreferences", QStringLiteral("Preferences"), 1);
    addPage(TSTS, "TSTS", QStringLiteral("Text Sources"), 1);
    addPage(TSEXT, "TSEXT", QStringLiteral("Extended"), 1);
    addPage(MHelp, "MHelp", QStringLiteral("Help"), 1);

    buildCommandColumn();
    buildProgramPage();
    buildDPSPage();
    buildRadiotextPage();
    buildSystemPage();
    buildPreferencesPage();
    buildTextSourcesPage();
    buildExtendedPage();
    buildHelpPage();
    buildTray();

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, kClientHeight - kStatusBarHeight, kClientWidth, kStatusBarHeight);
    StatusBar1->showMessage(QStringLiteral("Ready"));
    buildOnAirBar();

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(3000);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(60000);
    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(100);
    // Window-message timers: a tick that falls due while a handler runs is
    // delivered once afterwards.
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
    connect(Timer3, &QTimer::timeout, this, &TForm1::Timer3Timer);

    connectProgramPage();
    connectDPSPage();
    connectRadiotextPage();
    connectSystemPage();
    connectPreferencesPage();
    connectTextSourcesPage();
    connectExtendedPage();
    connect(BSEND1, &QToolButton::clicked, this, &TForm1::BSEND1Click);
    connect(BSTOR1, &QToolButton::clicked, this, &TForm1::BSTOR1Click);
    connect(BREC1, &QToolButton::clicked, this, &TForm1::BREC1Click);
    connect(MExit, &QPushButton::clicked, this, &TForm1::Exit1Click);

    PageControl1->setCurrentIndex(0);
}

TForm1::~TForm1()
{
    if (VykTray1)
        VykTray1->hide();
}

void TForm1::buildCommandColumn()
{
    BSEND1 = makeCommandButton(this, "BSEND1", QStringLiteral("Send"), CommandIcon(Command::Send), 24);
    BSTOR1 = makeCommandButton(this, "BSTOR1", QStringLiteral("Store"), CommandIcon(Command::Store), 80);
    BREC1 = makeCommandButton(this, "BREC1", QStringLiteral("Receive"), CommandIcon(Command::Receive), 136);
    MExit = new QPushButton(QStringLiteral("Exit"), this);
    MExit->setObjectName(QStringLiteral("MExit"));
    MExit->setGeometry(kColumnX, 261, kColumnWidth, 24);
    SetTag(MExit, 1);
}

void TForm1::buildTray()
{
    PMTray = new QMenu(this);
    PMTray->setObjectName(QStringLiteral("PMTray"));
    Show1 = new QAction(QStringLiteral("Show"), this);
    Show1->setObjectName(QStringLiteral("Show1"));
    Show1->setVisible(false);
    Hide1 = new QAction(QStringLiteral("Hide"), this);
    Hide1->setObjectName(QStringLiteral("Hide1"));
    Exit1 = new QAction(QStringLiteral("Exit"), this);
    Exit1->setObjectName(QStringLiteral("Exit1"));
    for (QAction* a : {Show1, Hide1, Exit1})
        SetTag(a, 1);
    PMTray->addAction(Show1);
    PMTray->addAction(Hide1);
    PMTray->addSeparator();
    PMTray->addAction(Exit1);
    PMTray->setDefaultAction(Show1);
    connect(Show1, &QAction::triggered, this, &TForm1::VykTray1DblClick);
    connect(Hide1, &QAction::triggered, this, &TForm1::Hide1Click);
    connect(Exit1, &QAction::triggered, this, &TForm1::Exit1Click);

    VykTray1 = new QSystemTrayIcon(ProgramIcon(), this);
    VykTray1->setObjectName(QStringLiteral("VykTray1"));
    VykTray1->setToolTip(QStringLiteral("Quorvan"));
    VykTray1->setContextMenu(PMTray);
    connect(VykTray1, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::DoubleClick) {
                    // The menu's default item, then the icon's own double-click
                    // handler, which finds the window visible.
                    Show1->trigger();
                    VykTray1DblClick();
                }
            });
    if (trayAvailable_)
        VykTray1->show();
}

// ---- start-up ------------------------------------------------------------------

void TForm1::FormCreate()
{
    starting_ = true;
    // 1. The AF entry list and the row numbers of the AF grid.
    FillAFEntryList();
    // 2. The language file.
    const QString dir = options_.exeDirectory.isEmpty() ? ExecutableDirectory() : options_.exeDirectory;
    TxupLanguage::Apply(this, options_.exeDirectory.isEmpty() ? LanguageFilePath(dir)
                                                               : dir + QStringLiteral("quorvan.lng"));
    // 3. The executable's directory.
    exeDirectory_ = dir;
    // 4. The port before any selection: LPT1.
    SetPortAddress(888);
    // 5. The settings file (which also sets the window's visibility).
    LoadRDSFN();
    if (!visibilityApplied_)
        ApplyStoredVisibility(true);
    // 6. Select and open the port.
    RGPORTClick();
    // 7. Always on top.
    ALONTOPClick();
    // 8. Direct port access.
    SetDirectIo(true);
    // 9. No decoder-identification item highlighted.
    DI->setCurrentRow(-1);
    DI->clearSelection();
    // 10. The clock display runs whenever the event queue has emptied.
    if (auto* dispatcher = QAbstractEventDispatcher::instance())
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &TForm1::IdleHandler,
                Qt::UniqueConnection);
    // 11. Dependent controls.
    SEDPS1DLChange();
    ShowDPSFields(engine_->startupDPSFields);
    GBMOClick();
    SGAFClick(); // the entry field shows the current AF row as loaded
    // 12. Text fields fed from files are locked while their source is in use.
    {
        const bool locked = CBD1FF->isChecked() && DPS1EN->isChecked();
        DPS1->setEnabled(!locked);
        DPS1B->setEnabled(!locked);
        RT[0]->setEnabled(!CBR1FF->isChecked());
    }
    // 13. Radiotext switching period.
    SERTSWChange();
    // 14. Tray menu matches the window.
    SyncTrayMenu();
    // 15. Clock source and label colour.
    RGCSClick();
    ColorBox1Change();
    // 16. Skin picture.
    LoadSkinPicture();
    // 17. Port options, user group, radiotext switching, clock time.
    CBBIClick();
    CBGRTYPChange();
    RTSAClick();
    RTPlusPreview();
    ShowExtendedNote();
    BSETCTClick();
    // The TA switch shows the encoder's TA, or that it is not known.
    ReadTAAtStart();
    // What is on air against what the settings gave.
    CompareOnAirAtStart();
    // 18. Start of the one-second guard of Send and Receive.
    SetLastOperationTimeNow();
    Timer1->start();
    // 19. The network command port, when switched on.
    RemoteSettingsChanged();
    IdleHandler();
    starting_ = false;
    // 20. A refused "High Priority" and unknown command-line arguments are
    // said after the start-up's own status texts.
    QStringList notices;
    if (!engine_->startupNotice.empty())
        notices << QString::fromStdString(engine_->startupNotice);
    if (!options_.unknownArguments.isEmpty())
        notices << UnknownArgumentsWarning(options_.unknownArguments);
    if (!notices.isEmpty())
        SetStatusText(notices.join(QStringLiteral("; ")));
}

void TForm1::ApplyStoredVisibility(bool visible)
{
    visibilityApplied_ = true;
    if (visible || !trayAvailable_)
        show();
    else
        hide();
}

void TForm1::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (centred_)
        return;
    centred_ = true;
    // Placed at the desktop centre when first shown, whatever position was set before.
    if (const QScreen* s = screen()) {
        const QRect avail = s->availableGeometry();
        const QSize frame = frameGeometry().size();
        move(avail.center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
}

// ---- clock display ---------------------------------------------------------------

quorvan::DateTime TForm1::Now() const
{
    return options_.clock->now();
}

void TForm1::IdleHandler()
{
    const quorvan::DateTime t = Now();
    const QString time = QStringLiteral("%1:%2").arg(t.hour).arg(t.minute, 2, 10, QLatin1Char('0'));
    const QString date = QStringLiteral("%1.%2.%3")
                             .arg(t.day)
                             .arg(t.month, 2, 10, QLatin1Char('0'))
                             .arg(((t.year % 100) + 100) % 100, 2, 10, QLatin1Char('0'));
    // Unchanged texts are not set again, so the repaint does not wake the idle
    // notification once more.
    if (LTIME->text() != time)
        LTIME->setText(time);
    if (LDATE->text() != date)
        LDATE->setText(date);
}

// ---- status bar and cursor ------------------------------------------------------

void TForm1::SetStatusText(const QString& text, const QString& hint)
{
    StatusBar1->setToolTip(hint);
    StatusBar1->showMessage(text);
    StatusBar1->repaint();
}

QString TForm1::StatusText() const
{
    return StatusBar1->currentMessage();
}

void TForm1::SetBusyCursor(bool busy)
{
    if (busy == busy_)
        return;
    busy_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::BusyCursor);
    else
        QApplication::restoreOverrideCursor();
}

// ---- tray and hiding ---------------------------------------------------------------

void TForm1::SyncTrayMenu()
{
    Hide1->setVisible(isVisible());
    Show1->setVisible(!isVisible());
}

void TForm1::VykTray1DblClick()
{
    if (isVisible())
        return;
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    activateWindow();
    Hide1->setVisible(true);
    Show1->setVisible(false);
}

void TForm1::Hide1Click()
{
    // Without a tray the hidden window could not be reached again.
    if (!trayAvailable_)
        return;
    hide();
    Hide1->setVisible(false);
    Show1->setVisible(true);
}

void TForm1::changeEvent(QEvent* event)
{
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !trayAvailable_)
        return;
    const auto* e = static_cast<QWindowStateChangeEvent*>(event);
    if ((windowState() & Qt::WindowMinimized) && !(e->oldState() & Qt::WindowMinimized)) {
        // Minimising hides the window to the tray instead.
        QMetaObject::invokeMethod(
            this,
            [this] {
                setWindowState(windowState() & ~Qt::WindowMinimized);
                Hide1Click();
            },
            Qt::QueuedConnection);
    }
}

void TForm1::Exit1Click()
{
    close();
}

// ---- shutdown ------------------------------------------------------------------------

void TForm1::closeEvent(QCloseEvent* event)
{
    if (sessionEnded_) {
        event->accept();
        return;
    }
    const QString statusBefore = StatusText();
    const QString hintBefore = StatusBar1->toolTip();
    SetStatusText(QStringLiteral("Exit"));
    if (!SaveRDSFN()) {
        // The window stays open: it must not go on saying "Exit".
        SetStatusText(statusBefore, hintBefore);
        event->ignore();
        return;
    }
    sessionEnded_ = true;
    FormClose();
    event->accept();
    if (VykTray1)
        VykTray1->hide();
    emit closed();
}

void TForm1::FormClose()
{
    engine_->remoteNotifiers.clear();
    engine_->remoteService.stop();
    CloseSerialPort();
}

// ---- window options ------------------------------------------------------------------

void TForm1::ALONTOPClick()
{
    const bool onTop = ALONTOP->isChecked();
    if (bool(windowFlags() & Qt::WindowStaysOnTopHint) == onTop)
        return;
    const bool wasVisible = isVisible();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);
    if (wasVisible)
        show();
}

QString TForm1::ChooseFile(const QString& caption, const QString& filter, bool mustExist)
{
    if (options_.openFile)
        return options_.openFile(caption, filter, mustExist);
    QFileDialog dialog(this, caption, QString(), filter);
    dialog.setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace quorvan_app
