#include "settings/loaded_values.h"

#include "content/af_list.h"
#include "content/charset.h"
#include "content/pi.h"
#include "content/radiotext.h"
#include "encoder/image_layout.h"

namespace quorvan {

namespace {

std::string Quoted(const std::string& utf8) { return "'" + utf8 + "'"; }

// A station text cut to `limit` characters (bytes in the encoder's set).
void CutText(std::vector<std::string>& notes, const char* key, std::string& text, std::size_t limit, Charset cs)
{
    if (text.size() <= limit)
        return;
    const std::string before = DecodeText(text, cs);
    text.resize(limit);
    notes.push_back(std::string(key) + " " + Quoted(before) + " is longer than " + std::to_string(limit) +
                    " characters; " + Quoted(DecodeText(text, cs)) + " used");
}

} // namespace

std::vector<std::string> CorrectLoadedValues(TStationParams& params, char decimalSeparator)
{
    std::vector<std::string> notes;
    const Charset cs = CharsetFromInt(params.preferences.CBCHARSET);

    // PI: four upper-case hexadecimal digits; the start-up rule makes the
    // others F and keeps the last four.
    const std::string pi = MakeHEX(params.program.PI, 4);
    if (pi != params.program.PI) {
        bool hex = !params.program.PI.empty();
        for (const char c : params.program.PI)
            hex = hex && HexDigitValue(c) >= 0;
        const char* why = !hex ? "is not hexadecimal"
                               : (params.program.PI.size() != 4 ? "is not 4 hexadecimal digits" : "is not in capitals");
        notes.push_back("PI " + Quoted(Latin1ToUtf8(params.program.PI)) + " " + why + "; " + pi + " used");
        params.program.PI = pi;
    }

    // AF rows Send would drop.
    for (int r = 0; r < kAFRows; ++r) {
        std::string& row = params.program.SGAF[static_cast<std::size_t>(r)];
        if (row.empty() || AFCode(row, decimalSeparator))
            continue;
        notes.push_back("AF" + std::to_string(r + 1) + " " + Quoted(Latin1ToUtf8(row)) +
                        " is not a frequency of 87.6 to 107.9 MHz; left out");
        row.clear();
    }

    CutText(notes, "DefaultPS", params.program.PSDEF, static_cast<std::size_t>(image::kPSLength), cs);
    static const char* const kRadiotextKeys[kRadiotexts] = {"Radiotext1", "Radiotext12", "Radiotext13",
                                                            "Radiotext14"};
    for (int i = 0; i < kRadiotexts; ++i)
        CutText(notes, kRadiotextKeys[i], params.rt(i), kRadiotextLength, cs);
    return notes;
}

std::string LoadedValuesNotice(const std::vector<std::string>& notes)
{
    std::string line;
    for (const std::string& note : notes)
        line += (line.empty() ? "settings: " : ", ") + note;
    return line;
}

} // namespace quorvan
