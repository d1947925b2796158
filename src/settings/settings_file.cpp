#include "settings/settings_file.h"

#include <algorithm>

#include "content/charset.h"
#include "settings/value_codec.h"

namespace quorvan {

namespace {

// The accessors only hand out references; reading through them changes nothing.
SettingsValues& mutableView(const SettingsValues& v)
{
    return const_cast<SettingsValues&>(v);
}

int currentNumber(const SettingKey& key, const SettingsValues& v)
{
    if (key.type == SettingType::Boolean)
        return key.flagIn(v) ? 1 : 0;
    return key.number(mutableView(v));
}

int ruleApplied(const SettingKey& key, int read, int current)
{
    bool inside = read >= key.lo && read <= key.hi;
    switch (key.range) {
    case RangeRule::None:
        return read;
    case RangeRule::Clamp:
        return std::clamp(read, key.lo, key.hi);
    case RangeRule::OutsideBecomes:
        return inside ? read : key.replacement;
    case RangeRule::OutsideBecomesElseClamp:
        return inside ? std::clamp(read, key.clampLo, key.clampHi) : key.replacement;
    case RangeRule::OnlyInside:
        return inside ? read : current;
    }
    return read;
}

const SettingKey* charsetKey()
{
    static const SettingKey* const key = findSettingKey("Config", "Charset");
    return key;
}

// Keys that tell an older file from none: without any file they take their
// initial value; an existing file without them is an older one and keeps its
// old behaviour (the key's fixed value), and is saved without them as long as
// that stands.
bool tellsOlderFiles(const SettingKey& key)
{
    static const SettingKey* const toggleAB = findSettingKey("Radiotext", "ToggleAB");
    return &key == charsetKey() || &key == toggleAB;
}

bool rdsTexts(const SettingsValues& v)
{
    return CharsetFromInt(v.params.preferences.CBCHARSET) == Charset::Rds;
}

// A text as the file holds it -> the field's bytes.
std::string textFromFile(const SettingKey& key, std::string text, const SettingsValues& current)
{
    if (key.charset == TextCharset::Bytes || !rdsTexts(current))
        return text;
    const std::string utf8 = ExternalTextToUtf8(text);
    return key.charset == TextCharset::Encoder ? EncodeText(utf8, Charset::Rds) : utf8;
}

// The field's bytes -> the text the file holds.
std::string textForFile(const SettingKey& key, const std::string& bytes, const SettingsValues& values)
{
    if (key.charset == TextCharset::Encoder && rdsTexts(values))
        return DecodeText(bytes, Charset::Rds);
    return bytes;
}

} // namespace

LoadedValue readSettingValue(const IniFile& doc, const SettingKey& key, const SettingsValues& current)
{
    std::optional<std::string> raw = doc.read(key.section, key.key);
    LoadedValue out;
    out.key = &key;
    out.present = raw.has_value();
    bool fixed = key.readDefault == ReadDefault::Fixed;

    if (key.type == SettingType::Extended) {
        // UTF-8 whatever Charset says; absent, the value is unset.
        const std::string now = key.format(current.params.extended);
        static const ExtendedValues unset;
        out.text = raw ? readQuotedText(raw, std::string()) : key.format(unset);
        ExtendedValues trial = current.params.extended;
        const Parsed<bool> read = key.parse(trial, key.key, out.text);
        if (!read.ok) out.text = now;  // refused: the field keeps its value
        if (raw) out.warning = read.message;
        out.changed = out.text != now;
        return out;
    }

    if (key.isText()) {
        const std::string& now = key.text(mutableView(current));
        std::string fallback = fixed ? std::string(key.fixedText) : now;
        out.text = key.type == SettingType::Text ? readText(raw, fallback) : readQuotedText(raw, fallback);
        if (raw)
            out.text = textFromFile(key, std::move(out.text), current);
        out.changed = out.text != now;
        return out;
    }

    int now = currentNumber(key, current);
    int fallback = fixed ? key.fixedNumber : now;
    // Without any settings (no file yet) the character set is the initial "RDS";
    // only an existing file without the key is an older one, read as Latin-1.
    if (tellsOlderFiles(key) && !raw && doc.serialize().empty()) {
        static const SettingsValues initial;
        fallback = currentNumber(key, initial);
    }
    if (key.type == SettingType::Boolean) {
        out.number = readBoolean(raw, fallback != 0) ? 1 : 0;
    } else {
        out.number = ruleApplied(key, readInteger(raw, fallback), now);
    }
    out.changed = out.number != now;
    return out;
}

void applySettingValue(const LoadedValue& value, SettingsValues& values)
{
    const SettingKey& key = *value.key;
    if (key.type == SettingType::Extended) {
        key.parse(values.params.extended, key.key, value.text);
        return;
    }
    if (key.isText()) {
        key.text(values) = value.text;
        return;
    }
    if (key.type != SettingType::Boolean) {
        key.number(values) = value.number;
        return;
    }
    if (key.radioGroup != 0 && value.flag()) {
        for (const SettingKey& other : settingKeys()) {
            if (other.radioGroup == key.radioGroup)
                other.setFlagIn(values, false);
        }
    }
    key.setFlagIn(values, value.flag());
}

std::vector<LoadedValue> loadSettings(const IniFile& doc, SettingsValues& values)
{
    std::vector<LoadedValue> out;
    out.reserve(settingReadOrder().size());
    for (const SettingKey* key : settingReadOrder()) {
        out.push_back(readSettingValue(doc, *key, values));
        applySettingValue(out.back(), values);
    }
    return out;
}

std::array<std::string, 4> comDevicesIn(const IniFile& doc)
{
    SettingsValues values;
    for (std::size_t n = 0; n < values.ports.COMDevice.size(); ++n) {
        const SettingKey* key = findSettingKey("Config", "COM" + std::to_string(n + 1) + "Device");
        applySettingValue(readSettingValue(doc, *key, values), values);
    }
    return values.ports.COMDevice;
}

std::string settingText(const SettingKey& key, const SettingsValues& values)
{
    SettingsValues& v = mutableView(values);
    static const SettingKey* const ctState = findSettingKey("Config", "CTState");
    if (&key == ctState)
        return ctStateText(values.params.system.CTRunning);
    switch (key.type) {
    case SettingType::Integer:
    case SettingType::Steps:
        return writeInteger(key.number(v));
    case SettingType::Boolean:
        return writeBoolean(key.flagIn(v));
    case SettingType::Text:
        return writeText(textForFile(key, key.text(v), values));
    case SettingType::QuotedText:
        return writeQuotedText(textForFile(key, key.text(v), values));
    case SettingType::TextQuotedWhenNeeded:
        return writeTextQuotedWhenNeeded(textForFile(key, key.text(v), values));
    case SettingType::Extended:
        return writeTextQuotedWhenNeeded(key.format(values.params.extended));
    }
    return std::string();
}

void storeSettings(const SettingsValues& values, IniFile& doc)
{
    // Table order gives the same file as the window's own order of writing:
    // within every section the keys come in the same sequence, and the
    // sections are first met in the same sequence.
    // An older file without Charset stays as it is while its texts are
    // Latin-1; without ToggleAB while the flag is not toggled.
    const bool existing = !doc.serialize().empty();
    static const SettingsValues defaults;
    for (const SettingKey& key : settingKeys()) {
        const std::string text = settingText(key, values);
        if (existing && tellsOlderFiles(key) && !doc.read(key.section, key.key) &&
            text == std::to_string(key.fixedNumber))
            continue;
        if (key.omitWhenDefault && !doc.read(key.section, key.key) && text == settingText(key, defaults))
            continue;
        doc.write(key.section, key.key, text);
    }
}

void storeSettingKeys(const SettingsValues& values, const std::vector<const SettingKey*>& keys, IniFile& doc)
{
    const bool created = doc.serialize().empty();
    for (const SettingKey& key : settingKeys())
        if ((created && tellsOlderFiles(key)) || std::find(keys.begin(), keys.end(), &key) != keys.end())
            doc.write(key.section, key.key, settingText(key, values));
}

std::vector<LoadedValue> loadSettingsFile(SettingsFileSystem& fs, const SettingsLocation& where,
                                          SettingsValues& values, bool* found)
{
    std::optional<std::string> bytes = fs.readFile(where.readPath);
    if (found)
        *found = bytes.has_value();
    return loadSettings(IniFile::parse(bytes ? *bytes : std::string()), values);
}

SaveResult saveSettingsFile(SettingsFileSystem& fs, const SettingsLocation& where, const SettingsValues& values)
{
    std::optional<std::string> old = fs.readFile(where.writePath);
    std::optional<std::string> base = old;
    if (!base && where.readPath != where.writePath)
        base = fs.readFile(where.readPath);

    IniFile doc = IniFile::parse(base ? *base : std::string());
    storeSettings(values, doc);
    std::string bytes = doc.serialize();
    if (old && *old == bytes)
        return {};

    bool ok = true;
    if (where.createDirectory)
        ok = fs.makeDirectories(parentDirectory(where.writePath));
    ok = ok && replaceFileContents(fs, where.writePath, bytes);
    if (!ok)
        return SaveResult{false, "Unable to write to " + where.writePath};
    return {};
}

} // namespace quorvan
