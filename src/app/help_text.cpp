#include "app/help_text.h"

namespace quorvan_app {

namespace {
const char kHelp[] = R"HELP(1. RDS Services control
=======================

Buttons

Send - Writes all RDS data of the window into the encoder's working memory. The encoder transmits them at once, but loses them at power-off or reset. Send waits one second after the previous Send, Store or Receive.

Store - Makes the encoder copy its working memory into its internal EEPROM, so that the data survive power-off and reset. Send the data first, then store them.

Receive - Reads all data back from the encoder into the window. Needs "Bidirectional" (Preferences).

PROGRAM

Default PS - Program Service name, up to 8 characters. Receivers show it while no dynamic PS is shown.

PI (Program Identification) - Four hexadecimal digits.

Traffic Program - Marks a station that carries traffic announcements.

Traffic Announcement - Switches the traffic announcement on or off in the running encoder at once. The box beside the button shows the state. The settings file does not keep it: at start-up, with "Bidirectional" (Preferences), the program reads the encoder's status as Read Status does and shows its TA; otherwise the box shows "unknown" (partially checked) until you press the button.

Program Type - The programme type (PTY) transmitted. The names follow the PTY coding chosen on the Preferences page.

Music/Speech - Tells receivers whether music or speech is on air.

Alternative Frequencies - Frequencies on which the same programme is received, 87.6 to 107.9 MHz. Up to 15 items allowed. Select a row and type the frequency, or choose it from the list; Enter moves to the next row, Delete empties the row. Rows that are not valid frequencies are left out when the data are sent.

Decoder Identification - The Stereo, Artificial Head, Compressed and Dynamic PTY flags.

DYNAMIC PS

Text - Mode 0 shows up to nine labels of 8 characters one after another; modes 1, 2 and 3 take one text of up to 72 characters.

Dynamic PS Mode - 0: fixed 8 characters; 1: scrolling text; 2: word alignment; 3: space separated scrolling text.

Scrolling PS Speed - Speed of the scrolling modes, High or Low.

Label Period - Label period used in DPS Mode 0 and 2.

Delay between text loops - How long the Default PS is shown between two runs of the dynamic PS. At the maximum, "(infinite)", the dynamic PS runs once after each change of its text.

Notice: dynamic and scrolling PS is restricted or not allowed in some countries. Check the rules of your broadcasting authority before you enable it.

RADIOTEXT

Switch after - With "Send next after:" checked, the next radiotext is sent automatically after the set time; ".5 min" is half a minute. Empty cells will be omitted.

Type - Enables the radiotext A/B type varying.

RT+ - RadioText Plus: tags the artist and the title in the radiotext for receivers that show them (groups 3A and 11A). The pattern (%a artist, %t title, default "%a - %t") is matched on the radiotext as sent, after its prefix, and the two tags point into it; a radiotext that does not match sends "item not running". The network's ARTIST= and TITLE= (or RTPLUS=) set the tags directly. The chip has no RT+: the tags go out from the virtual encoder and the software encoder (quorvanctl air) only, never to a real encoder.

A/B flag - Receivers clear their radiotext display when the A/B flag changes. A new radiotext (from a text source, the network or quorvanctl rt) toggles the flag when it differs from the one on air, while "New text toggles A/B" (under Options) is checked: ToggleAB=1 in section [Radiotext] of the settings file, the default of a new settings file; an older file without the key keeps the flag as it is.

SYSTEM

Time and Date - Start sends the clock time and date (CT) from the PC clock to the encoder every minute while the program runs; CT is shown while it runs. Check Summertime while summertime is in force.

Subcarrier Phase Shift - Phase of the RDS subcarrier against the pilot tone, used with the Auto (stereo) clock source.

PLL Lock Range - Range in which the encoder locks to the 19 kHz pilot tone, used with the Auto (stereo) clock source.

User Defined Group - One RDS group of any content, transmitted repeatedly; a feature for advanced users or experimental purposes. Byte 4 keeps its five low bits; Byte 5 and Byte 6 are not used by version B groups.

Reset - Resets the encoder, which then takes its data from its EEPROM.

Read Status - Reads the encoder's status: pilot tone present, traffic announcement on. The TA box on the Program page follows it.

Switch Off - Switches the RDS carrier off; the encoder still takes data.

Switch On - Switches the RDS carrier on again.

2. Preferences
==============

Skin Picture and Font Color - A picture shown behind the Program page, and the colour of the page's labels.

UTC offset - Local time minus UTC in whole hours, for the clock time.

Summertime offset - Hours added to the UTC offset while Summertime is checked.

PTY Coding - Chooses the PTY names shown depending on broadcast area: European, U.S. (RBDS) or numbers only. The code sent does not change.

Always on top - Keeps the window above other windows.

High Priority - Runs the program at high priority, so that other programs do not slow the data transfer. Choosing it measures the CPU speed again.

Port - The port the encoder is connected to: LPT1, LPT2 (at the address below) or COM1 to COM4. "Virtual encoder (software output)" works without the chip: every operation goes to the virtual encoder (its memory in the file [Config] VirtualEncoder= names, by default virtual-encoder.state beside the settings file), its monitor window opens at every start, and quorvanctl air plays it as an RDS signal on a sound card (the software encoder; the quorvan-air user service runs it). quorvanctl with the same settings, or --port virtual, drives the same encoder.

Bidirectional - The encoder's answers are checked, and Receive and Read Status are available. A missing answer shows "!Ready" in the status bar.

Slow - A slower, processor-friendly transfer. Clear it only when the transfer is too slow.

Character set - How texts reach the encoder. "RDS (Unicode)" sends the codes of the RDS character set that receivers show: the text fields take the letters of that table (Ä, Ž, Č, ő, €...), and what it lacks is transliterated: typographic quotes and dashes become ASCII, "…" becomes "...", letters lose the marks the table does not have, anything else becomes "?". "Latin-1" sends the Latin-1 bytes of every text as typed; a settings file without the Charset key (an older one) is read and written that way.

3. Text sources
===============

Dynamic PS, Radiotext

From file - Takes the dynamic PS or the first radiotext from a text file, for example the now-playing file of your playout software. A file name mask such as *.txt takes the newest matching file. The file is checked every 3 seconds.

Send on change - Sends a new text to the encoder as soon as it appears in the file.

Read from - Takes the first or the last line of the file.

Cut characters from - Removes characters from the beginning and the end of the line.

Prefix - Text put before the text from the file.

DPS Mode 0 Justification - How a text from the file is split into labels for mode 0: as it is, words aligned to the left, or words centred.

Fill with - Fills the free places of mode 0 labels with spaces or with a custom character.

Text processing scheme:
Reading from file -> Characters cutting -> Advanced 
Options -> (Adding prefix)

Set all parameters, then check the From file box. Dynamic 
PS and/or Radiotext must be Enabled.

Network

The network command port lets playout and automation systems change the station values live, with short lines over UDP or TCP such as TEXT=Artist - Title, PS=, PTY=, TA=1, AF=, SEND, STORE, CT and queries such as TEXT?, RT2? to RT4? or STATUS?. Enabled switches it on; UDP port and TCP port (0 = off), Listen address (127.0.0.1: this computer only; 0.0.0.0: every network) and Allow (addresses or prefixes such as 192.168.1.0/24 allowed to send; empty: this computer only). The page shows where the port listens or why it does not, how many senders were refused, and the last commands with their time, sender (address and UDP or TCP), command and reply.

UECP - Broadcast automation, traffic-announcement switches and RDS management servers drive the encoder with UECP frames (EBU SPB 490, IEC 62106-10), as they drive a hardware encoder's UECP port. In the UECP box, TCP and UDP set its ports (0 = off; [Remote] UECPTCPPort and UECPUDPPort); a serial line is set in the settings file ([Remote] UECPSerial=/dev/ttyUSB0:19200). It uses the same listen address and allow list. A frame is checked whole before anything changes: PI, PS, TA/TP, DI, MS, PTY, radiotext, AF, the clock time and RDS on/off are taken; in communication mode 2 every frame is acknowledged. The UECP box shows where it listens and its last error, and the log shows each frame's elements decoded. In the automation system choose "UECP" (or "SPB 490") as the encoder protocol, with this computer's address and port and the site and encoder address of the settings (0/0 reaches every encoder).

Each line is answered with + (done), ! (taken, but the transfer ended "!Ready"), - (bad value, nothing changed) or ? (unknown command); a query answers KEY=value. Replies come in the order of the lines, per connection and per UDP sender, and a query answers the value the lines before it set. Commands that arrive during a transfer are coalesced (only the newest value of each target is written); SEND, STORE, CT and STATUS? are barriers that nothing is coalesced across. The full list is in the README and in man quorvanctl.

4. Virtual encoder and receiver
===============================

Started as quorvan --virtual-encoder, or with the port "Virtual encoder (software output)", the program talks to a virtual encoder instead of a port and opens its monitor window: the encoder's memory and what it means. Its Receiver section is a radio tuned to the virtual encoder: it decodes the RDS groups the encoder sends and shows PI, PS, PTY, the flags and the radiotext as a receiver assembles it, with its A/B flag, and the RT+ artist and title.

On air - Says whether quorvanctl air plays the virtual encoder, from the status file (STATEFILE.air) that air writes every second: the device, the rate, the RDS and pilot levels, the underruns and since when; "not on air" without one or when it is 3 s old. Below it, the spectrum of the signal from 0 to 100 kHz with the pilot (19 kHz) and the RDS band (57 kHz +- 2.4 kHz) marked. The spectrum is computed in the window from the same modulator and groups with the levels on air; it is not measured on the sound card. A sound server (ALSA "default", pulse, pipewire) that resamples to 48 kHz takes the RDS band off the air while the spectrum still shows it: use a card that runs at 192 kHz (hw:CARD=...). During a loop-through the line gives the input and the pilot ("loop-through hw:MPX, pilot locked 19 000.3 Hz 8.9 %, RDS 4.5 % at 0.0°, latency 6 ms, 0 clips"; "holdover" while the pilot is lost, "no pilot: RDS runs free" without one) and the spectrum is the whole output MPX (mono, pilot, stereo band and RDS), measured from the last quarter of a second air wrote out.

5. Miscellaneous
================

Support - Questions and reports go to the supplier of your Quorvan RDS encoder.

Warranty - The program is provided as it is, without warranty of any kind.

Revisions - 0.1: first release for Linux; runs without hardware against a virtual encoder (quorvan --virtual-encoder).
)HELP";
} // namespace

QString HelpText()
{
    return QString::fromUtf8(kHelp);
}

QString AboutTitle(const QString& kernelType)
{
    static const struct {
        const char* kernel;
        const char* name;
    } kNames[] = {{"linux", "Linux"},     {"winnt", "Windows"}, {"darwin", "macOS"},
                  {"freebsd", "FreeBSD"}, {"netbsd", "NetBSD"}, {"openbsd", "OpenBSD"}};
    QString name = kernelType;
    for (const auto& n : kNames) {
        if (kernelType == QLatin1String(n.kernel))
            name = QLatin1String(n.name);
    }
    return QStringLiteral("Quorvan for ") + name;
}

} // namespace quorvan_app
