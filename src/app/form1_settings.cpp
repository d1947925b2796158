// The settings file in the window: LoadRDSFN applies each value as the
// operator changing its control would, in the file's reading order; SaveRDSFN
// writes every value when the window closes.
#include "app/form1.h"

#include "app/form_engine.h"
#include "app/latin1.h"
#include "settings/ini_file.h"
#include "settings/settings_file.h"
#include "settings/settings_keys.h"
#include "settings/startup_values.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QPushButton>
#include <QStatusBar>
#include <QSystemTrayIcon>

#include <cstring>
#include <iostream>

namespace quorvan_app {

namespace {

bool IsField(const quorvan::SettingKey& key, const char* field)
{
    return std::strcmp(key.field, field) == 0;
}

} // namespace

QString TForm1::SettingsPath() const
{
    return engine_->settings ? DecodedFileName(engine_->settings->writePath) : QString();
}

void TForm1::LoadRDSFN()
{
    HandlerScope scope(*this);
    FormEngine& e = *engine_;
    if (options_.exeDirectory.isEmpty()) {
        e.settings = quorvan::locateSettings(e.settingsFiles,
                                             FileNameBytes(QCoreApplication::applicationDirPath()));
    } else {
        e.settings = quorvan::explicitSettingsLocation(FileNameBytes(exeDirectory_) + quorvan::kSettingsFileName);
    }
    const std::optional<std::string> bytes = e.settingsFiles.readFile(e.settings->readPath);
    const quorvan::IniFile doc = bytes ? quorvan::IniFile::parse(*bytes) : quorvan::IniFile();

    // Where the ports lead, before the stored port is selected.
    quorvan::PortOptions portOptions = e.factory.options();
    e.comDeviceSettings = quorvan::comDevicesIn(doc);
    for (std::size_t n = 0; n < e.comDeviceSettings.size(); ++n) {
        if (!e.comDeviceSettings[n].empty())
            portOptions.comDevices[n] = e.comDeviceSettings[n];
    }
    // A state file named on the command line; without one, the settings'
    // VirtualEncoder names it as it does for the "Port" choice (read below).
    if (portOptions.routeToVirtual && !portOptions.virtualStateFile.empty())
        portOptions.virtualStateFile = quorvan::absolutePath(portOptions.virtualStateFile);
    e.factory.setOptions(portOptions);

    for (const quorvan::SettingKey* key : quorvan::settingReadOrder())
        ApplyOneSetting(*key, doc);
    ApplyStartupValues();
}

// The loaded values brought into the shape quorvanctl gives them too; values
// the fields cannot hold are said once: on stderr and in the status bar
// (after the start-up's own status texts).
void TForm1::ApplyStartupValues()
{
    quorvan::SettingsValues values;
    values.params = ReadStationParams();
    values.window.CTState = toBytes(BSETCT->text());
    quorvan::TStationParams loaded = values.params;
    const quorvan::StartupValues startup = quorvan::ApplyStartupValues(values, DecimalSeparator());
    engine_->startupDPSFields = startup.dpsFields;
    // The clock-time state stays with the caption, which BSETCTClick acts on.
    loaded.system.CTRunning = values.params.system.CTRunning;
    if (!(values.params == loaded))
        WriteStationParams(values.params);
    const std::string& notice = startup.notice;
    if (notice.empty())
        return;
    std::cerr << "quorvan: " << notice << '\n';
    if (!starting_)
        SetStatusText(QString::fromStdString(notice));
    else if (engine_->startupNotice.empty())
        engine_->startupNotice = notice;
    else
        engine_->startupNotice += ". " + notice;
}

// Reads one key against what the controls hold now and applies it. A
// control whose value changes runs its handler (the controls' signals); an
// unchanged control runs nothing, except "High Priority", whose handler runs
// once during loading either way.
void TForm1::ApplyOneSetting(const quorvan::SettingKey& key, const quorvan::IniFile& doc)
{
    FormEngine& e = *engine_;
    quorvan::SettingsValues current;
    current.params = ReadStationParams();
    current.window.Top = pos().y();
    current.window.Left = pos().x();
    current.window.Visible = isVisible();
    current.window.CTState = toBytes(BSETCT->text());
    current.window.DPSFromFile = e.memory.DPSFromFile;
    current.window.RTFromFile = e.memory.RTFromFile;
    current.remote = e.remote;

    const quorvan::LoadedValue value = quorvan::readSettingValue(doc, key, current);
    quorvan::applySettingValue(value, current);

    if (std::strcmp(key.section, "Remote") == 0) {
        e.remote = current.remote;
        ShowRemoteSettings();
    } else if (IsField(key, "Top") || IsField(key, "Left")) {
        // Superseded by the centring at the first showing.
        move(current.window.Left, current.window.Top);
    } else if (IsField(key, "Visible")) {
        ApplyStoredVisibility(current.window.Visible);
    } else if (IsField(key, "CTState")) {
        // The caption that the start-up's BSETCTClick acts on.
        BSETCT->setText(toQt(current.window.CTState));
    } else if (IsField(key, "VirtualEncoder")) {
        e.virtualEncoderSetting = current.window.VirtualEncoder;
        quorvan::PortOptions portOptions = e.factory.options();
        if (!options_.virtualEncoder || options_.virtualStateFile.isEmpty()) {
            portOptions.virtualStateFile =
                quorvan::VirtualStateFileFor(e.virtualEncoderSetting, e.settings->writePath);
            e.factory.setOptions(portOptions);
        }
    } else if (std::strncmp(key.field, "COMDevice", 9) == 0) {
        // Taken before the loop (comDevicesIn); kept for the save.
    } else if (IsField(key, "DPSFromFile")) {
        e.memory.DPSFromFile = current.window.DPSFromFile;
    } else if (IsField(key, "RTFromFile")) {
        e.memory.RTFromFile = current.window.RTFromFile;
    } else if (IsField(key, "CBCHARSET")) {
        // Read before any text: the fields still hold their initial texts.
        CBCHARSET->setCurrentIndex(current.params.preferences.CBCHARSET);
    } else if (IsField(key, "CBHPRI")) {
        const bool before = CBHPRI->isChecked();
        WriteStationParams(current.params);
        if (CBHPRI->isChecked() == before)
            CBHPRIClick();
    } else {
        WriteStationParams(current.params);
    }
}

QString TForm1::SaveSettingsNow()
{
    FormEngine& e = *engine_;
    if (!e.settings)
        return {};
    quorvan::SettingsValues values;
    values.params = ReadStationParams();
    values.window.Top = pos().y();
    values.window.Left = pos().x();
    values.window.Visible = isVisible();
    values.window.DPSFromFile = e.memory.DPSFromFile;
    values.window.RTFromFile = e.memory.RTFromFile;
    // The virtual encoder, once chosen, keeps its file even when the settings
    // file moves or the default changes; a file named on the command line is
    // not taken over.
    values.window.VirtualEncoder = e.virtualEncoderSetting;
    values.ports.COMDevice = e.comDeviceSettings;
    if (values.window.VirtualEncoder.empty() && values.params.preferences.RGPORT == quorvan::kVirtualPortSelection &&
        !options_.virtualEncoder)
        values.window.VirtualEncoder = e.factory.options().virtualStateFile;
    values.remote = e.remote;
    const quorvan::SaveResult saved = quorvan::saveSettingsFile(e.settingsFiles, *e.settings, values);
    // The message names the path: its bytes are the file system's, not Latin-1.
    return saved.ok ? QString() : DecodedFileName(saved.error);
}

bool TForm1::SaveRDSFN()
{
    const QString error = SaveSettingsNow();
    if (error.isEmpty())
        return true;
    ShowMessage(TForm1Options::MessageKind::Error, error);
    return false;
}

void TForm1::EndSession()
{
    if (sessionEnded_)
        return;
    sessionEnded_ = true;
    SetStatusText(QStringLiteral("Exit"));
    // Nobody may be there to answer a message box: the error goes to stderr.
    const QString error = SaveSettingsNow();
    if (!error.isEmpty()) {
        std::cerr << "quorvan: " << error.toLocal8Bit().constData() << '\n';
        endSessionSaveFailed_ = true;
    }
    FormClose();
    if (VykTray1)
        VykTray1->hide();
    emit closed();
}

} // namespace quorvan_app
