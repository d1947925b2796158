// Loading and saving quorvan.rds (LoadRDSFN / SaveRDSFN of the main window,
// and quorvanctl's --settings file).
//
// Typical use:
//
//     PosixFileSystem fs;
//     SettingsLocation where = locateSettings(fs, executableDirectory());
//     SettingsValues values;                     // the window's initial values
//     std::vector<LoadedValue> applied = loadSettingsFile(fs, where, values);
//     ... run ...
//     SaveResult r = saveSettingsFile(fs, where, values);
//     if (!r.ok) show r.error;                   // "Unable to write to /full/path"
//
// Loading never fails: a missing or unreadable file, or any value that is not
// valid, yields the defaults of the key table. Saving reads the file as it is on
// disk at that moment, changes only the known keys, and replaces the file in one
// step; on failure the old file is left exactly as it was.
//
// saveSettingsFile() is also the "save now" entry point for an orderly end that
// does not close the window: SIGTERM, SIGINT, the desktop session ending (see
// settings/termination_signals.h). It may be called any number of times.
//
// The window applies the values with the side effects of its controls, so it
// can walk the list loadSettings() returns (in reading order) instead of taking
// the resulting SettingsValues whole. For each LoadedValue it sets the control
// of `key->field`; `changed` tells whether the control's handler would run.
// Two things the list does not do for the window: High Priority runs its
// handler once during loading whether or not the value changed, and the radio
// buttons follow the rule of applySettingValue() (a true value checks its button
// and clears the others of the group; a false value clears only its own button,
// so a group whose keys are all 0 ends with no button checked).
#pragma once

#include <string>
#include <vector>

#include "settings/file_system.h"
#include "settings/ini_file.h"
#include "settings/settings_keys.h"
#include "settings/settings_location.h"

namespace quorvan {

// One key's value as loading applies it.
struct LoadedValue {
    const SettingKey* key = nullptr;
    bool present = false;  // the key is in the file (otherwise the default was used)
    bool changed = false;  // the value differs from what the field held before
    int number = 0;        // Integer and Steps keys: the value (steps for Steps); Boolean: 0 or 1
    std::string text;      // text keys: the value
    // Extended keys: the one line that says why the file's value was refused
    // (the field kept its value) or that a text was cut; "" otherwise.
    std::string warning;

    bool flag() const { return number != 0; }
};

// The value `key` gets from `doc`, against the current values (for the
// defaults that keep the field's value and for the rules that leave it unchanged).
// Does not apply it.
LoadedValue readSettingValue(const IniFile& doc, const SettingKey& key, const SettingsValues& current);

// Puts one value into its field. A radio button set to true clears the other
// buttons of its group; set to false it clears only itself.
void applySettingValue(const LoadedValue& value, SettingsValues& values);

// Reads every key in settingReadOrder() and applies each before the next is
// read. Returns the applied values in that order.
std::vector<LoadedValue> loadSettings(const IniFile& doc, SettingsValues& values);

// COM1Device .. COM4Device of `doc`, read through the key table, for a
// program that must know where the COM ports lead before it loads the rest.
std::array<std::string, 4> comDevicesIn(const IniFile& doc);

// The text a key is written as. CTState is written from params.system.CTRunning.
std::string settingText(const SettingKey& key, const SettingsValues& values);

// Writes every key of the table (TA too) into `doc`: known keys in place,
// missing ones appended (a new file gets sections Config, General, DPS1,
// DataGroups, Radiotext with the keys in table order), all other lines kept.
void storeSettings(const SettingsValues& values, IniFile& doc);

// Writes only `keys` (in table order) into `doc`, for a program that keeps a
// few values of its own in the file. A new file (an empty `doc`) also gets the
// keys that tell an older file from none (Charset, ToggleAB): without them
// the next load would read it as an older file, in Latin-1, no A/B toggle.
void storeSettingKeys(const SettingsValues& values, const std::vector<const SettingKey*>& keys, IniFile& doc);

// Loads the file at where.readPath into `values`. `found` (optional) tells
// whether a file was read.
std::vector<LoadedValue> loadSettingsFile(SettingsFileSystem& fs, const SettingsLocation& where,
                                          SettingsValues& values, bool* found = nullptr);

struct SaveResult {
    bool ok = true;
    std::string error; // "Unable to write to <where.writePath>" when !ok
};

// Saves `values` to where.writePath. The unknown lines come from the file at
// writePath, or, while that does not exist yet, from the one at readPath.
// Nothing is written when the file would not change.
SaveResult saveSettingsFile(SettingsFileSystem& fs, const SettingsLocation& where, const SettingsValues& values);

} // namespace quorvan
