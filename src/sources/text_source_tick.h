// The text-source tick: every few seconds the radiotext and the dynamic PS
// source are read, and a text that changed goes into the station record and,
// with "Send on change", into the running encoder. Radiotext first, then
// dynamic PS, in one tick. GUI-free: the window and quorvanctl plug in a
// TextSourceTarget that repaints and writes through the encoder's update
// sequences.
#pragma once

#include "content/radiotext.h"
#include "content/rtplus.h"
#include "content/station_params.h"
#include "sources/source_reader.h"

#include <optional>
#include <string>
#include <string_view>

namespace quorvan {

// The last text taken from each source, after cutting and before the
// advanced options and the prefix. The change test compares with them; they
// are kept in the settings file (DPSFromFile, RTFromFile) so that an
// unchanged file is not sent again after a restart.
struct TextSourceMemory {
    std::string DPSFromFile;
    std::string RTFromFile;
    // The radiotext on air as this program last wrote it (not kept, and
    // not part of the comparison).
    RadiotextOnAir radiotextOnAir{};
    bool operator==(const TextSourceMemory& o) const
    {
        return DPSFromFile == o.DPSFromFile && RTFromFile == o.RTFromFile;
    }
};

// The radiotext update sequence's arguments: the 64 radiotext bytes (space
// filled) and the control byte, 2 x type of RT1 + 1.
struct RadiotextUpdate {
    std::string bytes;
    int control = 1;
    rtplus::Registers rtPlus{};  // the RT+ tags of the text (written where the encoder has them)
    // The enhanced radiotext that follows this text (ERTFromRT), UTF-8,
    // written with it where the encoder has an extension record; nullopt: eRT stays.
    std::optional<std::string> ert;
    bool operator==(const RadiotextUpdate&) const = default;
};

// The dynamic PS update sequence's arguments: at most 72 text bytes (the
// sequence adds the closing blank) and the length byte, the text's length.
struct DynamicPSUpdate {
    std::string text;
    int length = 0;
    bool operator==(const DynamicPSUpdate&) const = default;
};

// Where a tick's effects go, in the order they happen. The window repaints
// the changed field before the transfer blocks it; the write methods run the
// encoder's update sequences and return true when the operation ended
// "Ready" (false: "!Ready").
class TextSourceTarget {
public:
    virtual ~TextSourceTarget() = default;
    // RT1 holds a new text that is about to be written.
    virtual void showRadiotext(const TStationParams&) {}
    virtual bool writeRadiotext(const RadiotextUpdate& update) = 0;
    // A radiotext from the file was written: if the radiotext switching
    // timer runs, switch it off and on so the next switch is a full period away.
    virtual void restartRadiotextSwitching() {}
    // DPS1B and the DPS1 rows hold a new text that is about to be written.
    virtual void showDynamicPS(const TStationParams&) {}
    virtual bool writeDynamicPS(const DynamicPSUpdate& update) = 0;
};

// A source is followed while its "From file:" box and its target's
// "Enabled" box are both checked.
bool RadiotextSourceActive(const TStationParams& params);  // CBR1FF and CBRTEN
bool DynamicPSSourceActive(const TStationParams& params);  // CBD1FF and DPS1EN

TextSourceSetup RadiotextSourceSetup(const TStationParams& params); // ER1F, RGR1L, SER1BE, SER1EN
TextSourceSetup DynamicPSSourceSetup(const TStationParams& params); // ED1F, RGD1L, SED1BE, SED1EN

// Source texts: the text of a source line after trimming and cutting, or any
// other text applied as one (a network line): its raw bytes. In the RDS
// character set (CBCHARSET) they are read as UTF-8 (as Latin-1 when not valid),
// processed on characters and encoded into the RDS table (ProcessSourceText);
// the remembered text is that UTF-8. In Latin-1 the bytes go as they stand.

// The radiotext a source text becomes: ProcessSourceText, the prefix ER1PR before
// it, and a text over 64 characters cut to its first 61 and "...".
std::string RadiotextFromSource(const TStationParams& params, const std::string& text);
// The same radiotext in full Unicode, before the RDS table's transliteration
// and without the cut to 64 (UTF-8): the prefix, then ProcessSourceTextUnicode.
std::string RadiotextUnicodeFromSource(const TStationParams& params, std::string_view text);

// Applying a radiotext text as a source text is applied, without the
// source's memory and whatever "Send on change" says (the network command
// port): RT1 := the processed text and CBRTEN := on (the update sequence turns
// radiotext on); returns the update sequence's arguments,
// whose A/B flag follows `onAir` (NewRadiotextControl). With ERTFromRT the
// eRT follows the text in full Unicode (RadiotextUnicodeFromSource of
// `asReceived` where the caller has the text as it came before bringing it
// to the encoder's set, else of `text`) and goes with the update.
RadiotextUpdate ApplyRadiotextText(TStationParams& params, const std::string& text, RadiotextOnAir& onAir,
                                   std::optional<std::string_view> asReceived = std::nullopt);
// The same for a dynamic PS text: DPS1B, the DPS1 rows and the update.
DynamicPSUpdate ApplyDynamicPSText(TStationParams& params, const std::string& text);

// Applying a new radiotext source text: RTFromFile := text; RT1 := the
// processed text (the current-radiotext selection is left alone), and with
// ERTFromRT the eRT follows it in full Unicode. Returns
// the update to write when "Send on change" (CBR1SC) is checked.
std::optional<RadiotextUpdate> ApplyRadiotextFromFile(TStationParams& params, TextSourceMemory& memory,
                                                      const std::string& text);

// Before the radiotext switching puts the current radiotext on air: where it
// is RT1 as it came from the source (RTFromFile), the eRT (ERTFromRT)
// follows that source text in full Unicode again, which the encoder bytes of
// RT1 alone no longer hold.
void ErtFollowsSwitchedRadiotext(TStationParams& params, const TextSourceMemory& memory);

// Applying a new dynamic PS source text: DPSFromFile := text; DPS1B := the
// text after CharReplace and the prefix ED1PR (no length limit); the DPS1 rows
// := its DPSJustify form. Returns the update to write when "Send on change"
// (CBD1SC) is checked: DPS1B in modes 1 to 3, the justified text in mode 0,
// at most 72 characters.
std::optional<DynamicPSUpdate> ApplyDynamicPSFromFile(TStationParams& params, TextSourceMemory& memory,
                                                      const std::string& text);

struct TextSourceTickResult {
    bool radiotextChanged = false;          // RT1 took a new text
    std::optional<bool> radiotextSent;      // written; true = "Ready"
    bool dynamicPSChanged = false;          // DPS1B and DPS1 took a new text
    std::optional<bool> dynamicPSSent;      // written; true = "Ready"
};

// One tick (ReadTextSources): read the active sources (radiotext, then dynamic
// PS), then apply each one whose text differs from its remembered text,
// exactly, letter case included: radiotext first, then dynamic PS. A source
// whose file could not be read is skipped this tick; the other goes on.
TextSourceTickResult TextSourceTick(TStationParams& params, TextSourceMemory& memory,
                                    const std::string& exeDirectory, const SourceFileSystem& fs,
                                    TextSourceTarget& target);

} // namespace quorvan
