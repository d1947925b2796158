// The station's data model: every value the operator edits in the main
// window, one field per value-bearing control, named after that control and
// grouped by the window's page (params.program.PSDEF, params.radiotext.RT1).
//
// Field kinds:
//  - text:    single-byte std::string. The station's texts (PS, radiotexts,
//             dynamic PS, prefixes, fill character) are the encoder's bytes in
//             the character set CBCHARSET (content/charset.h); the other
//             texts (numbers, file names) are plain bytes.
//  - flag:    bool
//  - choice:  0-based index into the control's fixed item list (int)
//  - stepped: whole number of steps (int); value = steps x step size.
//             The helpers in content/steps.h convert to seconds/degrees.
//  - integer: int within the stated limits
//
// Every field starts at the window's initial value. A disabled control keeps
// its value and is still read by Send.
#pragma once

#include "content/extended.h"

#include <array>
#include <string>

namespace quorvan {

// Limits of the stepped and integer controls, in steps or units.
inline constexpr int kSEDPSLPMinSteps = 1;    // 0.5 s
inline constexpr int kSEDPSLPMaxSteps = 256;  // 128 s
inline constexpr int kSEDPS1DLMaxSteps = 255; // 688.5 s, shown as "(infinite)"
inline constexpr int kSERTSWMax = 240;        // minutes
inline constexpr int kSEPHASEMaxSteps = 18;   // 170.46 degrees
inline constexpr int kSEUTCOMin = -12, kSEUTCOMax = 12;
inline constexpr int kSESMTOMin = -2, kSESMTOMax = 2;
inline constexpr int kCutMax = 63;            // SED1BE, SED1EN, SER1BE, SER1EN

inline constexpr int kAFRows = 15;            // rows of SGAF
inline constexpr int kDPS1Rows = 9;           // rows of the mode 0 grid
inline constexpr int kRadiotexts = 4;         // RT1..RT4
inline constexpr int kUserGroupBytes = 5;     // DB3..DB7 ("Byte 4".."Byte 8")

// Index of the system window-text colour in the label colour list (16
// standard colours, 4 extended colours, then the system colours starting
// with the window-text colour). Only the index is stored.
inline constexpr int kLabelColorWindowText = 20;

// "DPS Mode 0 Justification" (radio buttons RBJUST0..RBJUST2). A settings
// file may leave all three buttons off: Unset, which justifies as None.
enum class Justification { Unset, None, Left, Center };

// Which radiotext is current (radio buttons RBRT1..RBRT4). A settings file
// may select none: None, and no radiotext is current.
enum class RadiotextSelection { None, RT1, RT2, RT3, RT4 };

// "Fill with" (radio buttons RBFILSP, RBFILCU): "Space" or "Custom
// character:". A settings file may leave both off: Unset, which fills as Space.
enum class Fill { Unset, Space, Custom };

// The "Program" page.
struct StationProgram {
    std::string PSDEF;                 // "Default PS": text, at most 8 typed; sent as 8 chars
    std::string PI = "FFFF";           // "PI": exactly 4 upper-case hex digits after PIExit
    bool TP = false;                   // "Traffic Program"
    bool TA = false;                   // traffic announcement flag (toggled by its button)
    int PTY = 0;                       // "Program Type": choice 0..31, 0 "(none)"
    int MS = 1;                        // "Music/Speech": 0 "Speech", 1 "Music"
    std::array<std::string, kAFRows> SGAF{}; // "Alternative Frequencies": 15 rows, MHz texts
    std::array<bool, 4> DI{};          // "Decoder Identification": Stereo, Artificial Head,
                                       // Compressed, Dynamic PTY (bit values 1, 2, 4, 8)
    bool operator==(const StationProgram&) const = default;
};

// The "Dynamic PS" page.
struct StationDynamicPs {
    bool DPS1EN = false;               // "Enabled"
    int RGDPS1M = 2;                   // "Mode": 0 fixed 8 chars, 1 scrolling, 2 word
                                       // alignment, 3 space separated scrolling
    int RGDLD = 1;                     // "Scrolling PS Speed": 0 "High", 1 "Low"
    int SEDPSLP = 5;                   // "Label Period": steps of 0.5 s, 1..256 (0.5..128 s)
    int SEDPS1DL = 8;                  // "Delay between text loops": steps of 2.7 s, 0..255
                                       // (0..688.5 s; 255 = "(infinite)")
    std::array<std::string, kDPS1Rows> DPS1{}; // "Mode 0:": 9 labels, at most 8 typed each
    std::string DPS1B;                 // "Mode 1, 2, 3 or From file:": at most 72 typed
    bool operator==(const StationDynamicPs&) const = default;
};

// The "Radiotext" page.
struct StationRadiotext {
    bool CBRTEN = false;               // "Enabled"
    RadiotextSelection selected = RadiotextSelection::RT1; // which radiotext is current
    std::string RT1;                   // radiotext 1, at most 64 typed
    std::string RT2;                   // radiotext 2, at most 64 typed
    std::string RT3;                   // radiotext 3, at most 64 typed
    std::string RT4;                   // radiotext 4, at most 64 typed
    int CBRTT1 = 0;                    // "Type" of RT1: 0 "A", 1 "B"
    int CBRTT2 = 0;                    // "Type" of RT2
    int CBRTT3 = 0;                    // "Type" of RT3
    int CBRTT4 = 0;                    // "Type" of RT4
    bool RTSA = false;                 // "Send next after:"
    int SERTSW = 5;                    // switching period: minutes 0..240 (0 = half a minute)
    bool ToggleAB = true;              // "New text toggles A/B": a new radiotext toggles the
                                       //   A/B flag (a settings file without the key clears it)
    bool RTPlus = false;               // "RT+": artist and title tags (virtual encoder only)
    std::string RTPlusPattern = "%a - %t"; // "Pattern": %a artist, %t title
    // Tags given over the network for one radiotext (type, start, length
    // twice); they hold while that text is current. Not kept in the file.
    bool RTPlusExplicitSet = false;
    std::array<int, 6> RTPlusExplicit{};
    std::string RTPlusExplicitText;
    std::string RTPlusArtist;          // ARTIST= over the network, for the next TITLE=
    bool operator==(const StationRadiotext&) const = default;
};

// The "System" page.
struct StationSystem {
    bool CTRunning = false;            // "Time and Date": clock-time transmission running
                                       //   (BSETCT reads "Stop" while running)
    bool STMEN = false;                // "Summertime"
    int CBGRTYP = 0;                   // "Group type": 0 "0A", 1 "0B", ... 31 "15B"
    std::string DB3 = "00";            // "Byte 4": 2 hex digits
    std::string DB4 = "00";            // "Byte 5": 2 hex digits (unused by version B groups)
    std::string DB5 = "00";            // "Byte 6": 2 hex digits (unused by version B groups)
    std::string DB6 = "00";            // "Byte 7": 2 hex digits
    std::string DB7 = "00";            // "Byte 8": 2 hex digits
    std::string DB3D = "0";            // decimal mirror of DB3 (display only, not saved)
    std::string DB4D = "0";            // decimal mirror of DB4
    std::string DB5D = "0";            // decimal mirror of DB5
    std::string DB6D = "0";            // decimal mirror of DB6
    std::string DB7D = "0";            // decimal mirror of DB7
    bool CBUDGEN = false;              // "Enabled" (user defined group)
    int SEPHASE = 0;                   // "Subcarrier Phase Shift": steps of 9.47 deg, 0..18
    int RGCS = 0;                      // "Clock Source": 0 "Internal (mono)", 1 "Auto (stereo)"
    int RGPLLR = 0;                    // "PLL Lock Range": 0 "19000 +/- 5 Hz", 1 "19000 +/- 2 Hz"
    bool operator==(const StationSystem&) const = default;
};

// The "Preferences" page.
struct StationPreferences {
    std::string LImageFile = "(none)"; // skin picture path, or "(none)"
    int ColorBox1 = kLabelColorWindowText; // "Label Color": index in the label colour list
    int SEUTCO = 0;                    // "UTC offset": hours -12..12
    int SESMTO = 1;                    // "Summertime offset": hours -2..2
    int RBPTYC = 0;                    // "PTY Coding": 0 "European", 1 "U.S. (RBDS)",
                                       //   2 "Numbered only"
    bool ALONTOP = false;              // "Always on Top" (not kept in the settings file)
    bool CBHPRI = false;               // "High Priority"
    int RGPORT = 0;                    // "Port": 0 LPT1, 1 LPT2, 2..5 COM1..COM4, 6 the virtual encoder
    bool CBBI = true;                  // "Bidirectional"
    bool CBSS = true;                  // "Slow" (a settings file without the key clears it)
    std::string ELPTA = "632";         // "LPT2 address (DEC):": at most 5 decimal digits
    int CBCHARSET = 1;                 // "Character set": 0 "Latin-1", 1 "RDS (Unicode)"
                                       //   (a settings file without the key: Latin-1)
    bool operator==(const StationPreferences&) const = default;
};

// The "Text Sources" page.
struct StationTextSources {
    bool CBD1FF = false;               // dynamic PS "From file:"
    bool CBD1SC = true;                // dynamic PS "Send on change"
    std::string ED1F;                  // dynamic PS source file name or mask
    int RGD1L = 1;                     // dynamic PS "Read from": 0 first line, 1 last line
    int SED1BE = 0;                    // dynamic PS cut "Beginning": 0..63
    int SED1EN = 0;                    // dynamic PS cut "End": 0..63
    std::string ED1PR;                 // dynamic PS "Prefix"
    bool CBR1FF = false;               // radiotext "From file:"
    bool CBR1SC = true;                // radiotext "Send on change"
    std::string ER1F;                  // radiotext source file name or mask
    int RGR1L = 1;                     // radiotext "Read from": 0 first line, 1 last line
    int SER1BE = 0;                    // radiotext cut "Beginning": 0..63
    int SER1EN = 0;                    // radiotext cut "End": 0..63
    std::string ER1PR;                 // radiotext "Prefix"
    Justification justification = Justification::Center; // "DPS Mode 0 Justification"
    Fill fill = Fill::Space;           // "Fill with"
    std::string ECUSCH = "*";          // the custom fill character, at most 1
    bool CBRSN = false;                // "Remove song numbering"
    bool CBREIB = false;               // "Remove expletive information in brackets"
    bool CBCTC = false;                // "Convert to CAPITALS"
    bool operator==(const StationTextSources&) const = default;
};

struct TStationParams {
    StationProgram program;
    StationDynamicPs dynamicPs;
    StationRadiotext radiotext;
    StationSystem system;
    StationPreferences preferences;
    StationTextSources textSources;
    ExtendedValues extended;           // the settings file's [Extended] section

    // ---- indexed access (index 0-based) ---------------------------------
    // Radiotext n+1: RT1..RT4, CBRTT1..CBRTT4.
    std::string& rt(int i) { return *rtTexts()[clampIndex(i, kRadiotexts)]; }
    const std::string& rt(int i) const { return const_cast<TStationParams*>(this)->rt(i); }
    int& rtType(int i) { return *rtTypes()[clampIndex(i, kRadiotexts)]; }
    int rtType(int i) const { return const_cast<TStationParams*>(this)->rtType(i); }
    // User group byte i: DB3..DB7 and their decimal mirrors DB3D..DB7D.
    std::string& db(int i) { return *dbTexts()[clampIndex(i, kUserGroupBytes)]; }
    const std::string& db(int i) const { return const_cast<TStationParams*>(this)->db(i); }
    std::string& dbd(int i) { return *dbDecimals()[clampIndex(i, kUserGroupBytes)]; }
    const std::string& dbd(int i) const { return const_cast<TStationParams*>(this)->dbd(i); }

    bool operator==(const TStationParams&) const = default;

private:
    static int clampIndex(int i, int n) { return i < 0 ? 0 : (i >= n ? n - 1 : i); }
    std::array<std::string*, 4> rtTexts() { return {&radiotext.RT1, &radiotext.RT2, &radiotext.RT3, &radiotext.RT4}; }
    std::array<int*, 4> rtTypes() { return {&radiotext.CBRTT1, &radiotext.CBRTT2, &radiotext.CBRTT3, &radiotext.CBRTT4}; }
    std::array<std::string*, 5> dbTexts() { return {&system.DB3, &system.DB4, &system.DB5, &system.DB6, &system.DB7}; }
    std::array<std::string*, 5> dbDecimals() { return {&system.DB3D, &system.DB4D, &system.DB5D, &system.DB6D, &system.DB7D}; }
};

} // namespace quorvan
