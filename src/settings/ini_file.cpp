#include "settings/ini_file.h"

#include <utility>

namespace quorvan {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

} // namespace

std::string asciiLower(std::string_view s)
{
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string_view trimBlanks(std::string_view s)
{
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

IniFile::Line IniFile::classify(std::string text, std::string eol, std::string* name)
{
    Line line{std::move(text), std::move(eol), Kind::Other, 0};
    std::string_view t = line.text;
    std::size_t lead = 0;
    while (lead < t.size() && (t[lead] == ' ' || t[lead] == '\t'))
        ++lead;
    if (lead == t.size() || t[lead] == ';')
        return line;
    if (t[lead] == '[') {
        std::size_t close = t.find(']', lead + 1);
        if (close != std::string_view::npos) {
            line.kind = Kind::Section;
            *name = asciiLower(trimBlanks(t.substr(lead + 1, close - lead - 1)));
        }
        return line;
    }
    std::size_t eq = t.find('=');
    if (eq == std::string_view::npos)
        return line;
    std::string_view key = trimBlanks(t.substr(0, eq));
    if (key.empty())
        return line;
    line.kind = Kind::Key;
    line.valueStart = eq + 1;
    *name = asciiLower(key);
    return line;
}

void IniFile::addLine(Line line, const std::string& name)
{
    if (line.kind == Kind::Section) {
        Section s;
        s.lowerName = name;
        s.lines.push_back(std::move(line));
        byName_[name].push_back(sections_.size());
        sections_.push_back(std::move(s));
        return;
    }
    Section& s = sections_.back();
    if (line.kind == Kind::Key) {
        s.keys.emplace(name, s.lines.size()); // keeps the first occurrence
        s.lastKeyLine = s.lines.size();
    }
    s.lines.push_back(std::move(line));
}

IniFile IniFile::parse(std::string_view bytes)
{
    IniFile doc;
    doc.sections_.emplace_back(); // the lines before the first header
    bool newlineSeen = false;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t nl = bytes.find('\n', pos);
        std::string_view text;
        // A view of a literal: assigning literals to a std::string here makes
        // GCC 12 at -O3 warn about an uninitialised read that cannot happen.
        std::string_view eol;
        if (nl == std::string_view::npos) {
            text = bytes.substr(pos);
            pos = bytes.size();
        } else {
            text = bytes.substr(pos, nl - pos);
            eol = "\n";
            if (!text.empty() && text.back() == '\r') {
                text.remove_suffix(1);
                eol = "\r\n";
            }
            pos = nl + 1;
            if (!newlineSeen) {
                doc.newline_ = std::string(eol);
                newlineSeen = true;
            }
        }
        std::string name;
        Line line = classify(std::string(text), std::string(eol), &name);
        doc.addLine(std::move(line), name);
    }
    return doc;
}

std::string IniFile::serialize() const
{
    std::size_t total = 0;
    for (const Section& s : sections_)
        for (const Line& l : s.lines)
            total += l.text.size() + l.eol.size();
    std::string out;
    out.reserve(total);
    for (const Section& s : sections_) {
        for (const Line& l : s.lines) {
            out += l.text;
            out += l.eol;
        }
    }
    return out;
}

const IniFile::Line* IniFile::find(std::string_view section, std::string_view key, Section** owner,
                                   std::size_t* index) const
{
    auto it = byName_.find(asciiLower(section));
    if (it == byName_.end())
        return nullptr;
    std::string lowerKey = asciiLower(key);
    for (std::size_t si : it->second) {
        const Section& s = sections_[si];
        auto k = s.keys.find(lowerKey);
        if (k != s.keys.end()) {
            if (owner)
                *owner = const_cast<Section*>(&s);
            if (index)
                *index = k->second;
            return &s.lines[k->second];
        }
    }
    return nullptr;
}

std::optional<std::string> IniFile::read(std::string_view section, std::string_view key) const
{
    const Line* line = find(section, key, nullptr, nullptr);
    if (!line)
        return std::nullopt;
    return std::string(trimBlanks(std::string_view(line->text).substr(line->valueStart)));
}

bool IniFile::hasSection(std::string_view section) const
{
    return byName_.count(asciiLower(section)) != 0;
}

void IniFile::endLastLine()
{
    for (auto s = sections_.rbegin(); s != sections_.rend(); ++s) {
        if (!s->lines.empty()) {
            if (s->lines.back().eol.empty())
                s->lines.back().eol = newline_;
            return;
        }
    }
}

void IniFile::write(std::string_view section, std::string_view key, std::string_view value)
{
    std::string v(value);
    for (char& c : v) {
        if (c == '\n')
            c = ' ';
    }

    Section* owner = nullptr;
    std::size_t index = 0;
    if (const Line* found = find(section, key, &owner, &index)) {
        if (trimBlanks(std::string_view(found->text).substr(found->valueStart)) == v)
            return;
        Line& line = owner->lines[index];
        std::size_t keep = line.valueStart;
        while (keep < line.text.size() && (line.text[keep] == ' ' || line.text[keep] == '\t'))
            ++keep;
        line.text.resize(keep);
        line.text += v;
        return;
    }

    Line fresh{std::string(key) + "=" + v, newline_, Kind::Key, key.size() + 1};
    auto it = byName_.find(asciiLower(section));
    if (it != byName_.end()) {
        Section& s = sections_[it->second.front()];
        std::size_t at = s.lastKeyLine + 1;
        if (s.lines[at - 1].eol.empty())
            s.lines[at - 1].eol = newline_;
        s.lines.insert(s.lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(fresh));
        s.keys.emplace(asciiLower(key), at);
        s.lastKeyLine = at;
        return;
    }

    const Line* last = nullptr;
    for (const Section& s : sections_)
        if (!s.lines.empty())
            last = &s.lines.back();
    endLastLine();
    if (last && !trimBlanks(last->text).empty())
        addLine(Line{std::string(), newline_, Kind::Other, 0}, std::string());
    std::string name = asciiLower(section);
    // Appended piece by piece: `"[" + text` makes GCC 12 at -O3 warn about an
    // overlapping copy that cannot happen (-Wrestrict, GCC bug 105329).
    std::string header = "[";
    header += section;
    header += ']';
    addLine(Line{std::move(header), newline_, Kind::Section, 0}, name);
    addLine(std::move(fresh), asciiLower(key));
}

} // namespace quorvan
