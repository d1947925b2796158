// TForm1: the main window. It owns every control, the tray icon, the three
// timers and the handlers named after their control and event. The controls
// are public members named as in the window definition; the station values
// move between them and TStationParams through ReadStationParams() and
// WriteStationParams().
//
// The implementation is split by page:
//   form1.cpp              construction, start-up, shutdown, tray, clock, status bar
//   form1_program.cpp      "Program" page (PI, PTY, AF list)
//   form1_dps.cpp          "Dynamic PS" page
//   form1_radiotext.cpp    "Radiotext" page
//   form1_system.cpp       "System" page (user group, clock source)
//   form1_preferences.cpp  "Preferences" page (skin picture, colour, port options)
//   form1_textsources.cpp  "Text Sources" page
//   form1_help.cpp         "Help" page
//   form1_extended.cpp     "Extended" page (what the software encoder sends beyond the chip)
//   form1_params.cpp       TStationParams <-> controls
//   form1_operations.cpp   encoder buttons (Send, Store, Receive, status, direct controls)
//   form1_timers.cpp       text sources, radiotext switching, clock time
//   form1_port.cpp         port selection, bus speed, the link's status texts
//   form1_settings.cpp     the settings file (LoadRDSFN, SaveRDSFN)
//   form_engine.h          what the window holds below the controls (link, port, guard)
#pragma once

#include "content/charset.h"
#include "content/dynamic_ps.h"
#include "content/station_params.h"
#include "link/clock.h"
#include "app/station_binding.h"
#include "ports/port_factory.h"
#include "widgets/color_box.h"
#include "widgets/framed_group.h"
#include "widgets/int_spin.h"
#include "widgets/limited_line_edit.h"
#include "widgets/radio_group.h"
#include "widgets/stepped_spin.h"
#include "widgets/text_grid.h"

#include <QAction>
#include <QFrame>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>
#include <QStatusBar>
#include <QStringList>
#include <QSystemTrayIcon>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

namespace quorvan {
class IniFile;
struct SettingKey;
class DeadlineWaiter;
class MonotonicClock;
class ProcessPriority;
class Spinner;
class SharedEncoderState;
class TEncoderLink;
class VirtualEncoder;
}


namespace quorvan_app {

using quorvan_widgets::ColorBox;
using quorvan_widgets::FramedGroup;
using quorvan_widgets::IntSpin;
using quorvan_widgets::LimitedLineEdit;
using quorvan_widgets::RadioGroup;
using quorvan_widgets::SteppedSpin;
using quorvan_widgets::TextGrid;

// What the program entry hands the main window.
struct TForm1Options {
    // Stands in for the executable's directory (with a trailing separator):
    // the language file is read from there. Empty: the real one, with the
    // per-user fallback of config_dir.h.
    QString exeDirectory;
    // Forces the answer to "is there a system tray?" (tests); unset: ask Qt.
    std::optional<bool> trayAvailable;
    // Time source of the clock display and of the operations; null: the PC clock.
    quorvan::Clock* clock = nullptr;
    // --virtual-encoder[=STATEFILE]: every port selection goes to the virtual encoder.
    bool virtualEncoder = false;
    QString virtualStateFile;
    // Command-line arguments the program does not know: named in the status
    // bar once the window has started.
    QStringList unknownArguments;
    // Where the hardware ports are looked up and whether root may use direct
    // port I/O. The window fills in the rest of the port options itself. Tests
    // point the directories at a scratch directory and turn direct I/O off.
    quorvan::PortOptions ports;
    // Runs the open dialogs; null: the standard file dialog. Arguments: caption,
    // filter, whether the file must exist; returns the chosen path or "".
    std::function<QString(const QString&, const QString&, bool)> openFile;
    // Sleeps of the operations and the bus (null: real sleeps) and the busy
    // loop of the bus-speed check (null: the real loop). Tests pass a
    // ManualTime and a spinner that moves it.
    quorvan::Sleeper* sleeper = nullptr;
    quorvan::Spinner* spinner = nullptr;
    // What the bus pauses sleep on (null: the monotonic clock and real waits).
    // Tests pass the ManualTime of `sleeper`.
    quorvan::MonotonicClock* monotonic = nullptr;
    quorvan::DeadlineWaiter* waiter = nullptr;
    // The process priority "High Priority" sets (null: the system's).
    quorvan::ProcessPriority* priority = nullptr;
    // Message boxes; null: the standard boxes. askYesNo returns true for "Yes".
    enum class MessageKind { Information, Warning, Error };
    std::function<void(MessageKind, const QString& text)> showMessage;
    std::function<bool(const QString& text)> askYesNo;
};

class FormEngine;

// Client area of the main window.
inline constexpr int kClientWidth = 588;
inline constexpr int kClientHeight = 308;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(TForm1Options options = {}, QWidget* parent = nullptr);
    ~TForm1() override;

    const TForm1Options& options() const { return options_; }

    // ---- station values ----------------------------------------------------
    // Reads every value-bearing control. CTRunning reflects the clock-time
    // button ("Stop" while running).
    quorvan::TStationParams ReadStationParams() const;
    // Writes every value-bearing control in the order the settings file is
    // loaded; a control whose value changes runs its handler, as when the
    // operator changes it. The decimal mirrors DB3D..DB7D are written too.
    // CTRunning is left to BSETCTClick, which owns the clock-time state.
    void WriteStationParams(const quorvan::TStationParams& params);
    // Writes only the values of the first `runs` runs of a Receive that
    // ended early (1: programme values and AF list; 2: also radiotext 1 and
    // the user defined group with its mirrors).
    void WriteReceivedRuns(const quorvan::TStationParams& params, int runs);
    // PS, PI, TP, PTY, M/S, DI and the AF list: the first run of Receive.
    void WriteIdentification(const quorvan::TStationParams& params, quorvan::Charset cs);

    // ---- what another program puts on air ----------------------------------
    // The encoder's image as this window last knew it to be on air (after
    // its own operation, or when the monitor opened).
    void RememberOnAir(const std::array<std::uint8_t, 256>& image);
    // Another program changed the image: each station value it changed goes
    // into its field, marked for kOnAirMarkMs. A field the operator has
    // edited and not sent (it differs from what was on air) is not
    // overwritten unasked: askLoadOnAir names those fields and says whether
    // to load them anyway. Returns the number of fields loaded.
    int LoadOnAirChange(const std::array<std::uint8_t, 256>& image);
    static constexpr int kOnAirMarkMs = 4000;
    // Asks whether to load over unsent edits (the field names); a message box
    // unless a test answers.
    std::function<bool(const QStringList&)> askLoadOnAir;
    // The fields marked as loaded from another program (until their mark ends).
    QList<QWidget*> MarkedOnAirFields() const;
    // The name the operator knows a bound field by ("Default PS", "Radiotext 2").
    QString OnAirFieldName(const QObject* field) const;
    // At start-up with a bidirectional or virtual port: what the encoder
    // holds is compared with what the settings gave. Where they differ, a bar
    // above the status bar (OnAirBar, never a modal question) names the
    // fields and offers to load what is on air.
    void CompareOnAirAtStart();
    // The bar's "Load what is on air": the differing fields take the encoder's
    // values, marked; the bar closes. Returns the number of fields loaded.
    int LoadOnAirAtStart();
    // The bar's "Keep the settings": the bar closes, nothing changes.
    void KeepSettingsAtStart();
    // The names of the fields that differed at start-up (empty: no bar).
    QStringList StartupOnAirDifferences() const { return startupOnAirNames_; }
    QFrame* OnAirBar = nullptr;
    QLabel* LOnAirBar = nullptr;

    // ---- status bar and cursor ---------------------------------------------
    // Sets the one status-bar text and paints it at once (the operations block
    // the event loop while they run). `hint` becomes the status bar's tool-tip
    // (why an operation ended "!Ready"); every new text replaces it.
    void SetStatusText(const QString& text, const QString& hint = QString());
    QString StatusText() const;
    // Busy cursor (arrow with hourglass) on (true) or back to the default (false).
    void SetBusyCursor(bool busy);

    // ---- shell ---------------------------------------------------------------
    QString ExeDirectory() const { return exeDirectory_; }
    bool TrayAvailable() const { return trayAvailable_; }
    // Shows or hides the window as the settings file's Visible value says
    // (without a system tray the window is always shown).
    void ApplyStoredVisibility(bool visible);
    // Applies the skin picture rule to the caption of LImageFile.
    void LoadSkinPicture();
    QString SkinPicturePath() const { return skinPicturePath_; }
    // Makes the tray menu offer "Hide" while the window is visible and "Show"
    // while it is hidden (start-up step after the settings are loaded).
    void SyncTrayMenu();
    // Text colour of the "Program" page as set by the label colour rule.
    QColor LabelColor() const;
    // The two dynamic PS rules decide the enabled state of DPS1 and DPS1B;
    // whether the "Mode 1, 2, 3 or From file:" label is enabled tells which
    // text Send uses.
    bool DPSTextFromRows() const;

    // ---- encoder -------------------------------------------------------------
    quorvan::TEncoderLink& Link() const;
    // True with --virtual-encoder or the "Port" choice of the virtual encoder.
    bool UsesVirtualEncoder() const;
    // The virtual encoder every port selection reaches with --virtual-encoder,
    // or the one the "Port" choice opened (nullptr otherwise), and the file
    // that keeps its state ("" in memory only).
    quorvan::VirtualEncoder* VirtualEncoder() const;
    QString VirtualStateFile() const;
    // That file as this window shares it with other programs (nullptr
    // without a virtual encoder or when it is kept in memory only).
    quorvan::SharedEncoderState* VirtualSharing() const;
    // The settings file the window reads and writes.
    QString SettingsPath() const;
    // Saves the settings file now without asking anything (the session or the
    // process is ending). Returns the error text, empty on success.
    QString SaveSettingsNow();
    // Ends the program without the operator closing the window (SIGTERM,
    // SIGINT, the desktop session ending): saves the settings, releases the
    // port and emits closed(). A failed save is reported on stderr, and
    // EndSessionSaveFailed() tells it afterwards (the program's exit status).
    void EndSession();
    bool EndSessionSaveFailed() const { return endSessionSaveFailed_; }

    // ---- controls --------------------------------------------------------------
    QTabWidget* PageControl1;
    QWidget* TSProgram;
    QWidget* TSDPS1;
    QWidget* TSRT;
    QWidget* TSSystem;
    QWidget* MPreferences;
    QWidget* TSTS;
    QWidget* TSEXT;
    QWidget* MHelp;

    // "Program"
    QLabel* LOGO;
    FramedGroup* GBID;
    QLabel* LPSDEF;
    LimitedLineEdit* PSDEF;
    QLabel* LPI;
    LimitedLineEdit* PI;
    FramedGroup* GBTRAF;
    QCheckBox* TP;
    QCheckBox* TA;
    QPushButton* BSETTA;
    FramedGroup* GBPROG;
    QLabel* LPTY;
    QComboBox* PTY;
    QLabel* LMS;
    QComboBox* MS;
    FramedGroup* GBAF;
    QTableWidget* SGAF;
    QComboBox* CBAF;
    LimitedLineEdit* CBAFEdit; // the entry field inside CBAF
    QLabel* LMHZ;
    FramedGroup* GBDI;
    QListWidget* DI;

    // "Dynamic PS"
    QCheckBox* DPS1EN;
    RadioGroup* RGDPS1M;
    RadioGroup* RGDLD;
    FramedGroup* GBLP;
    SteppedSpin* SEDPSLP;
    FramedGroup* GBDL;
    SteppedSpin* SEDPS1DL;
    QLabel* LDPS1;
    TextGrid* DPS1;
    QLabel* LDPS1B;
    LimitedLineEdit* DPS1B;

    // "Radiotext"
    QCheckBox* CBRTEN;
    QLabel* LRTT;
    QRadioButton* RBRT[4];
    LimitedLineEdit* RT[4];
    QComboBox* CBRTT[4];
    FramedGroup* GBRTO;
    QCheckBox* RTSA;
    QCheckBox* CBRTAB;  // a new radiotext toggles the A/B flag ([Radiotext] ToggleAB)
    SteppedSpin* SERTSW;
    FramedGroup* GBRTP;        // "RT+"
    QCheckBox* CBRTPLUS;
    QLabel* LRTPPAT;
    LimitedLineEdit* ERTPPAT;
    QLabel* LRTPPV;            // the tags on the current text
    QLabel* LRTPNOTE;          // where RT+ goes out

    // "System"
    FramedGroup* GNCT;
    QLabel* LTIME;
    QLabel* LDATE;
    QLabel* LCT;
    QPushButton* BSETCT;
    QCheckBox* STMEN;
    FramedGroup* GBUDG;
    QLabel* LGRTYP;
    QComboBox* CBGRTYP;
    QLabel* LDB[5];   // "Byte 4" .. "Byte 8"
    QLabel* L0X[5];   // "0x"
    LimitedLineEdit* DB[5];  // DB3 .. DB7
    LimitedLineEdit* DBD[5]; // DB3D .. DB7D
    QCheckBox* CBUDGEN;
    FramedGroup* GBPHASE;
    SteppedSpin* SEPHASE;
    RadioGroup* RGCS;
    RadioGroup* RGPLLR;
    QLabel* LSPEC;
    QPushButton* BRESET;
    QPushButton* BSTAT;
    QLabel* LCARR;
    QPushButton* BSWOFF;
    QPushButton* BSWON;

    // "Preferences"
    FramedGroup* GBLOGB;
    QLabel* LImageFile;
    QPushButton* BR1;
    ColorBox* ColorBox1;
    FramedGroup* GBUTC;
    IntSpin* SEUTCO;
    QLabel* LHOURS1;
    FramedGroup* GBSMT;
    IntSpin* SESMTO;
    QLabel* LHOURS2;
    RadioGroup* RBPTYC;
    FramedGroup* GBSET;
    QCheckBox* ALONTOP;
    QCheckBox* CBHPRI;
    QLabel* LCHARSET;
    QComboBox* CBCHARSET;
    RadioGroup* RGPORT;
    FramedGroup* GBDS;
    QCheckBox* CBBI;
    QCheckBox* CBSS;
    QLabel* LLPTA;
    LimitedLineEdit* ELPTA;
    QLabel* LCPU;

    // "Text Sources"
    QTabWidget* PageControl2;
    QWidget* TSTSD;
    QWidget* TSTSR;
    QWidget* TSTSO;
    // "Text Sources" > "Network": the network command port
    QWidget* TSTSN;
    FramedGroup* GBRM;
    QCheckBox* CBRMEN;
    QSpinBox* SERMUDP;
    QSpinBox* SERMTCP;
    LimitedLineEdit* ERMADDR;
    LimitedLineEdit* ERMALLOW;
    FramedGroup* GBRMST;
    QLabel* LRMSTAT;
    QLabel* LRMREF;
    FramedGroup* GBUECP;  // the encoder protocol: its ports, where it listens, its last error
    QSpinBox* SEUECPTCP;
    QSpinBox* SEUECPUDP;
    QLabel* LUECPST;
    QLabel* LUECPERR;
    QTableWidget* LVRMLOG;
    QTimer* TimerRM;
    FramedGroup* GBD1;
    QCheckBox* CBD1FF;
    QCheckBox* CBD1SC;
    LimitedLineEdit* ED1F;
    QPushButton* BR8;
    QLabel* LD1HINT;
    RadioGroup* RGD1L;
    FramedGroup* GBD1CUT;
    QLabel* LD1BE;
    IntSpin* SED1BE;
    QLabel* LD1EN;
    IntSpin* SED1EN;
    FramedGroup* GBD1PR;
    LimitedLineEdit* ED1PR;
    FramedGroup* GBR1;
    QCheckBox* CBR1FF;
    QCheckBox* CBR1SC;
    LimitedLineEdit* ER1F;
    QPushButton* BR9;
    QLabel* LR1HINT;
    RadioGroup* RGR1L;
    FramedGroup* GBR1CUT;
    QLabel* LR1BE;
    IntSpin* SER1BE;
    QLabel* LR1EN;
    IntSpin* SER1EN;
    FramedGroup* GBR1PR;
    LimitedLineEdit* ER1PR;
    FramedGroup* GBJUST;
    QRadioButton* RBJUST0;
    QRadioButton* RBJUST1;
    QRadioButton* RBJUST2;
    FramedGroup* GBFILL;
    QRadioButton* RBFILSP;
    QRadioButton* RBFILCU;
    LimitedLineEdit* ECUSCH;
    FramedGroup* GBMO;
    QCheckBox* CBRSN;
    QCheckBox* CBREIB;
    QCheckBox* CBCTC;
    QLabel* LEXMP;
    QLabel* STEXMP;

    // "Extended": what only the software encoder sends, on four sub-pages
    QTabWidget* PageControl3;
    QWidget* TSEXS;            // "Station": country, language, PIN, PTYN, Long PS, eRT
    QWidget* TSEXA;            // "AF method B"
    QWidget* TSEXE;            // "Other networks"
    QWidget* TSEXR;            // "Round"
    QLabel* LEXTNOTE;          // where these values go out
    QLabel* LEXTHINT;          // the last refused or cut value, and why
    QComboBox* CBCTRY;         // country picker (sets ECC)
    LimitedLineEdit* EECC;
    QComboBox* CBLANG;         // language picker (sets LIC)
    LimitedLineEdit* ELIC;
    LimitedLineEdit* EPIN;
    LimitedLineEdit* EPTYN;
    LimitedLineEdit* ELPS;
    QLabel* LLPSN;             // bytes used of the Long PS
    LimitedLineEdit* EERT;
    QLabel* LERTN;             // bytes used of the eRT
    QCheckBox* CBERTRT;        // eRT from the radiotext
    QRadioButton* RBAFMA;
    QRadioButton* RBAFMB;
    LimitedLineEdit* EAFB[12]; // AFB1 .. AFB12
    LimitedLineEdit* EEONPI[8];
    LimitedLineEdit* EEONPS[8];
    LimitedLineEdit* EEONAF[8];
    QComboBox* CBEONPTY[8];
    QCheckBox* CBEONTP[8];
    QCheckBox* CBEONTA[8];
    LimitedLineEdit* EGRPSEQ;

    // "Help"
    QPlainTextEdit* MEHELP;
    FramedGroup* GBABOUT;
    QLabel* LABTITLE;
    QLabel* LABVER;
    QLabel* LABLOGO;
    QLabel* LABDESC;

    // Command column and status bar
    QToolButton* BSEND1;
    QToolButton* BSTOR1;
    QToolButton* BREC1;
    QPushButton* MExit;
    QStatusBar* StatusBar1;

    // Tray icon and its menu
    QSystemTrayIcon* VykTray1;
    QMenu* PMTray;
    QAction* Show1;
    QAction* Hide1;
    QAction* Exit1;

    // Timers: text-source polling, radiotext switching, clock time
    QTimer* Timer1;
    QTimer* Timer2;
    QTimer* Timer3;

public slots:
    // ---- shell ---------------------------------------------------------------
    // The creation handler: fills the lists, applies the language file and
    // brings every subsystem to life in the program's fixed order.
    void FormCreate();
    void IdleHandler();
    void VykTray1DblClick();
    void Hide1Click();
    void Exit1Click();
    void ALONTOPClick();
    void BR1Click();
    void ColorBox1Change();

    // ---- rules and key handlers ---------------------------------------------
    void ELPTAKeyPress(char& key);
    void CBBIClick();
    void PIKeyPress(char& key);
    void PIExit();
    void RBPTYCClick();
    void AF1Change();
    void SGAFClick();
    void SGAFKeyPress(char& key);
    void AF1KeyPress(char& key);
    void SGAFKeyUp(int key);
    void DPS1KeyPress(char& key);
    void RGDPS1MClick();
    void ShowDPSFields(const quorvan::DPSEnabledState& fields);
    void DPS1ENClick();
    void SEDPS1DLChange();
    void RTSAClick();
    void SERTSWChange();
    void RTPlusPreview();
    void DB3Exit();
    void DB4Exit();
    void DB5Exit();
    void DB6Exit();
    void DB7Exit();
    void CBGRTYPChange();
    void RGCSClick();
    void GBMOClick();
    void BR8Click();
    void BR9Click();
    // ---- the "Extended" page (form1_extended.cpp) ----------------------------
    // Where the extended values go out: the note says so for the port in use.
    void ShowExtendedNote();
    // The country picker lists the countries of the PI's country nibble.
    void FillCountryPicker();
    void CBCTRYChange();
    // The language picker shows the LIC's language.
    void FillLanguagePicker();
    void ShowLanguage();
    void CBLANGChange();
    // Leaving an extended field: a text its rule refuses is put back to the
    // last one accepted, and the hint line says why.
    void ExtendedFieldExit(LimitedLineEdit* field);
    // ---- the network command port (form1_network.cpp) ------------------------
    // The Network sub-page's settings changed: listen anew as they say.
    void RemoteSettingsChanged();
    // A socket of the port is ready; then the commands run.
    void RemoteSocketReady(int fd);
    // Runs the network commands that wait (held while another handler runs).
    void RunRemoteCommands();

    // ---- encoder operations, timers and the settings file -------------------
    // (form1_operations.cpp)
    void BSEND1Click();
    void BSTOR1Click();
    void BREC1Click();
    void BSTATClick();
    // The TA switch at start-up: the encoder's TA as Read Status reads it
    // where the port is bidirectional, else "unknown" (partially checked,
    // with a tool-tip) until the operator sets it.
    void ReadTAAtStart();
    void ShowEncoderTA(bool on);
    void ShowTAUnknown(const QString& why);
    void TAStateChanged(int state);
    void BRESETClick();
    void BSWOFFClick();
    void BSWONClick();
    void BSETTAClick();
    void BSETCTClick();
    void RGPORTClick();
    void CBHPRIClick();
    void CBCHARSETChange();
    // The character set of the station texts, as the "Character set" choice says.
    quorvan::Charset StationCharset() const;
    // The station text fields take only characters of the chosen set.
    void FilterStationTexts();
    void Timer1Timer();
    void Timer2Timer();
    void Timer3Timer();

public:
    // Start-up and shutdown steps that belong to the link and the settings file
    // (form1_operations.cpp).
    void SetPortAddress(int address);
    void LoadRDSFN();
    // The load-time rules of quorvan::ApplyStartupValues on what the fields hold.
    void ApplyStartupValues();
    // Returns false when the file could not be written (the window then stays open).
    bool SaveRDSFN();
    void SetDirectIo(bool direct);
    void SetLastOperationTimeNow();
    void CloseSerialPort();

signals:
    // The window has closed for good (after FormClose); the program may end.
    void closed();
    // A handler that talked to the encoder has finished (the encoder's state
    // and the virtual encoder's state file are up to date).
    void operationFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Every value-bearing control bound to its field of `p`, in the order the
    // settings file is loaded (the order WriteStationParams writes in).
    std::vector<StationBinding> StationBindings(quorvan::TStationParams& p) const;
    void WriteBinding(const StationBinding& b, quorvan::Charset cs);
    // The extended values' bindings (form1_extended.cpp).
    void AddExtendedBindings(std::vector<StationBinding>& t, quorvan::ExtendedValues& v) const;
    // The field's text is its value now: what a refused text goes back to.
    static void AcceptExtendedText(QLineEdit* field);
    // The hint line below the page: a refusal (in red) or a note.
    void ShowExtendedHint(const QString& hint, bool refused = false);
    void ShowExtendedCounts();
    // The eRT field after a radiotext went out: the eRT that followed it (ERTFromRT).
    void ShowFollowedErt(const quorvan::ExtendedValues& v);
    void MarkOnAirField(QWidget* w);
    std::optional<std::array<std::uint8_t, 256>> onAirImage_;
    QList<QWidget*> markedOnAir_;
    // What the encoder held at start-up, and the fields that differed.
    std::optional<quorvan::TStationParams> startupOnAir_;
    QStringList startupOnAirNames_;
    void buildOnAirBar();
    void buildCommandColumn();
    void buildProgramPage();
    void buildDPSPage();
    void buildRadiotextPage();
    void buildSystemPage();
    void buildPreferencesPage();
    void buildTextSourcesPage();
    void buildTextSourcePage(QWidget* page, bool dps);
    void buildTextSourceOptionsPage();
    void buildNetworkPage();
    void connectNetworkPage();
    void ShowRemoteSettings();
    void RestartRemote();
    void RefreshRemoteSockets();
    void ShowRemoteState();
    void AppendRemoteLog();
    // The log's reply column as wide as its widest reply, the command column the rest.
    void FitRemoteLogColumns();
    void AppendUecpLog();
    void AddRemoteLogRow(const quorvan::DateTime& time, const QString& from, const QString& command,
                         const QString& reply);
    void buildHelpPage();
    void buildExtendedPage();
    void connectExtendedPage();
    void buildTray();
    void connectProgramPage();
    void connectDPSPage();
    void connectRadiotextPage();
    void connectSystemPage();
    void connectPreferencesPage();
    void connectTextSourcesPage();
    void FormClose();
    void DBExit(int index);
    void FillAFEntryList();
    // Puts a text the program chose into the AF entry field; the drop-down's
    // list position follows it (none when it names no item of the list).
    void ShowAFEntry(const QString& text);
    QString ChooseFile(const QString& caption, const QString& filter, bool mustExist);
    quorvan::DateTime Now() const;
    // Encoder handlers run one at a time: a timer tick that arrives while one
    // runs (inside a message box, say) is held and run once afterwards.
    friend class HandlerScope;
    void RunHeldTicks();
    void ShowMessage(TForm1Options::MessageKind kind, const QString& text);
    bool AskYesNo(const QString& text);
    void ApplySettingsFile();
    void ApplyOneSetting(const quorvan::SettingKey& key, const quorvan::IniFile& doc);

    TForm1Options options_;
    // RT+ values the network port keeps between its commands (no widget
    // holds them): tags given for one radiotext, an artist waiting for its title.
    struct RTPlusNetwork {
        bool set = false;
        std::array<int, 6> tags{};
        std::string text;
        std::string artist;
    } rtPlusNetwork_;
    std::unique_ptr<quorvan::Clock> ownClock_;
    QString exeDirectory_;
    bool trayAvailable_ = false;
    QString skinPicturePath_;
    bool visibilityApplied_ = false;
    bool starting_ = false; // FormCreate is running
    bool centred_ = false;
    bool busy_ = false;
    bool sessionEnded_ = false;
    bool endSessionSaveFailed_ = false;
    std::unique_ptr<FormEngine> engine_;
};

// Marks a control whose text properties the language file may replace.
void SetTag(QObject* object, int tag);
int Tag(const QObject* object);

} // namespace quorvan_app
