#include "encoder/receive.h"

#include "content/extended.h"

#include "content/dynamic_ps.h"
#include "content/pi.h"
#include "content/steps.h"
#include "content/user_group.h"
#include "encoder/image_decode.h"
#include "encoder/image_layout.h"

namespace quorvan {

namespace {

// Bytes of the runs up to the byte that tells how many follow.
constexpr int kProgramHead = image::kAFCodes - image::kPI;               // 16, up to the AF count
constexpr int kRadiotextRun = image::kCTGroupType - image::kRTControl;   // 72
constexpr int kSubcarrierHead = image::kDPSText - image::kSubcarrierClock; // 9, up to the length

void ReadInto(TEncoderLink& link, ByteRun& bytes, int count, bool endsRun)
{
    for (int i = 0; i < count; ++i)
        bytes.push_back(static_cast<std::uint8_t>(link.ReadByte(endsRun && i == count - 1)));
}

// The characters of a received text. A text field holds no NUL, so a text
// ends at its first NUL byte: blank (zeroed) encoder memory reads as an empty
// text rather than putting NUL characters into the window and the settings file.
std::string TextOf(const ByteRun& bytes, std::size_t from, std::size_t count)
{
    std::string text;
    for (std::size_t i = from; i < from + count && i < bytes.size() && bytes[i] != 0; ++i)
        text.push_back(static_cast<char>(bytes[i]));
    return text;
}

std::uint8_t At(const ByteRun& bytes, std::size_t i) { return i < bytes.size() ? bytes[i] : 0; }

// Ends a run: plain stop, or, when the port went out of reach during it, the
// closing stop of the failed operation.
bool EndRun(TEncoderLink& link)
{
    if (link.PortFault) {
        link.SendStop(true);
        return false;
    }
    link.SendStop(false);
    return true;
}

void FollowUp(TStationParams& params)
{
    PIExit(params);
    NormaliseUserGroupBytes(params);
}

} // namespace

std::optional<RadiotextOnAir> ReadRadiotextOnAir(TEncoderLink& link)
{
    if (!OpenRead(link, Opens::Operation, image::kRTControl))
        return std::nullopt;
    ByteRun bytes;
    ReadInto(link, bytes, 1 + static_cast<int>(kRadiotextLength), true);
    link.SendStop(true);
    if (link.PortFault || ClosedOutcome(link) != Outcome::Ready || bytes.size() != 1 + kRadiotextLength)
        return std::nullopt;
    RadiotextOnAir onAir;
    onAir.type = (bytes[0] & 2) != 0 ? 1 : 0;
    onAir.bytes = std::string(bytes.begin() + 1, bytes.end());
    return onAir;
}

void ApplyProgramRun(TStationParams& params, const ByteRun& bytes, char decimalSeparator)
{
    params.program.PI = PIText(static_cast<std::uint16_t>(At(bytes, 0) << 8 | At(bytes, 1)));
    params.program.PSDEF = TrimReceivedText(TextOf(bytes, image::kPS, image::kPSLength));
    params.program.PTY = At(bytes, image::kPTY);
    const int di = At(bytes, image::kDI);
    for (int bit = 0; bit < 4; ++bit)
        params.program.DI[bit] = ((di >> bit) & 1) != 0;
    params.program.MS = At(bytes, image::kMS);
    params.program.TP = (At(bytes, image::kTP) & 1) != 0;
    params.program.TA = (At(bytes, image::kTA) & 1) != 0;
    const int count = ReceivedAFCount(At(bytes, image::kAFCount));
    for (int row = 0; row < kAFRows; ++row)
        params.program.SGAF[row] = row < count ? ReceivedAFText(At(bytes, image::kAFCodes + row), decimalSeparator) : "";
}

void ApplyRadiotextRun(TStationParams& params, const ByteRun& bytes)
{
    const std::uint8_t control = At(bytes, 0);
    params.radiotext.CBRTEN = (control & 1) != 0;
    params.radiotext.CBRTT1 = (control & 2) ? 1 : 0;
    params.radiotext.RT1 = TrimReceivedText(TextOf(bytes, image::kRT - image::kRTControl, image::kRTLength));
    params.system.CBUDGEN = (At(bytes, image::kUDGEnable - image::kRTControl) & 1) != 0;
    params.system.CBGRTYP = At(bytes, image::kUDGType - image::kRTControl) / 8;
    for (int i = 0; i < kUserGroupBytes; ++i) {
        // The mirror shows the byte as received; DB3Exit limits "Byte 4" to
        // five bits only when the whole Receive has succeeded.
        const std::uint8_t byte = At(bytes, image::kUDGBytes - image::kRTControl + i);
        params.db(i) = HexByteText(byte);
        params.dbd(i) = std::to_string(byte);
    }
}

void ApplySubcarrierAndDPSRun(TStationParams& params, const ByteRun& bytes)
{
    const auto at = [&](std::uint8_t address) { return At(bytes, address - image::kSubcarrierClock); };
    params.system.RGCS = at(image::kSubcarrierClock) & 1;
    params.system.RGPLLR = (at(image::kSubcarrierClock) >> 1) & 1;
    params.system.SEPHASE = PhaseStepsFromCode(at(image::kPhase));
    params.dynamicPs.SEDPS1DL = DelayStepsFromCode(at(image::kDPSDelay));
    params.dynamicPs.RGDPS1M = at(image::kDPSMode);
    params.dynamicPs.SEDPSLP = LabelPeriodStepsFromCode(at(image::kLabelPeriod));
    params.dynamicPs.RGDLD = at(image::kScrollSpeed) & 1;
    const int length = ReceivedDPSLength(at(image::kDPSLength));
    params.dynamicPs.DPS1EN = length != 0;
    const std::string text = TextOf(bytes, kSubcarrierHead, static_cast<std::size_t>(length));
    if (params.dynamicPs.RGDPS1M == 0)
        params.dynamicPs.DPS1 = DPSRowsFromText(text);
    else
        params.dynamicPs.DPS1B = text;
}

void ApplyImage(TStationParams& params, const std::array<std::uint8_t, 256>& image, char decimalSeparator)
{
    // Each run as Receive reads it: the head, as many bytes as it says, one more.
    const auto run = [&image](int from, int head, int count) {
        ByteRun bytes;
        for (int i = 0; i < head + count + 1 && from + i < static_cast<int>(image.size()); ++i)
            bytes.push_back(image[static_cast<std::size_t>(from + i)]);
        return bytes;
    };
    ApplyProgramRun(params, run(image::kPI, kProgramHead, ReceivedAFCount(image[image::kAFCount])), decimalSeparator);
    ApplyRadiotextRun(params, run(image::kRTControl, kRadiotextRun - 1, 0));
    ApplySubcarrierAndDPSRun(params,
                             run(image::kSubcarrierClock, kSubcarrierHead, ReceivedDPSLength(image[image::kDPSLength])));
    FollowUp(params);
}

ReceiveResult Receive(EncoderContext& ctx, TStationParams& params)
{
    ReceiveResult result;
    if (ctx.guard && ctx.guard->Holds(ctx.clock))
        return result;
    TEncoderLink& link = ctx.link;
    if (!link.Bidirectional) {
        result.outcome = Outcome::Unavailable;
        return result;
    }
    // A failed run ends the whole command: the completed runs' values stay
    // as received, and nothing runs after them.
    const auto fail = [&] {
        result.outcome = Outcome::NotReady;
        return result;
    };

    // R1: programme values and the AF list.
    if (!OpenRead(link, Opens::Operation, image::kPI))
        return fail();
    ByteRun program;
    ReadInto(link, program, kProgramHead, false);
    ReadInto(link, program, ReceivedAFCount(program.back()), false);
    ReadInto(link, program, 1, true);
    if (!EndRun(link))
        return fail();
    ApplyProgramRun(params, program, ctx.decimalSeparator);
    result.runsCompleted = 1;

    // R2: radiotext and user defined group.
    if (!OpenRead(link, Opens::Continues, image::kRTControl))
        return fail();
    ByteRun radiotext;
    ReadInto(link, radiotext, kRadiotextRun, true);
    if (!EndRun(link))
        return fail();
    ApplyRadiotextRun(params, radiotext);
    result.runsCompleted = 2;

    // R3: subcarrier and dynamic PS.
    if (!OpenRead(link, Opens::Continues, image::kSubcarrierClock))
        return fail();
    ByteRun dps;
    ReadInto(link, dps, kSubcarrierHead, false);
    ReadInto(link, dps, ReceivedDPSLength(dps.back()), false);
    ReadInto(link, dps, 1, true);
    if (link.PortFault) {
        link.SendStop(true);
        return fail();
    }
    ApplySubcarrierAndDPSRun(params, dps);
    result.runsCompleted = 3;
    FollowUp(params);
    // The extension record, read under the same claim (only the virtual
    // encoder keeps one; nothing of it is on the bus).
    if (link.Extension != nullptr)
        params.extended = link.Extension->extension().values;

    link.SendStop(true);
    result.outcome = ClosedOutcome(link);
    if (ctx.guard)
        ctx.guard->Touch(ctx.clock);
    return result;
}

StatusResult ReadStatus(EncoderContext& ctx)
{
    StatusResult result;
    TEncoderLink& link = ctx.link;
    if (!link.Bidirectional)
        return result;
    if (!OpenRead(link, Opens::Operation, image::kStatus)) {
        result.outcome = Outcome::NotReady;
        return result;
    }
    const int value = link.ReadByte(true);
    link.SendStop(true);
    result.outcome = ClosedOutcome(link);
    if (!link.PortFault)
        result.value = value;
    return result;
}

std::vector<std::string> StatusLines(int value)
{
    return {"Status byte value: " + std::to_string(value), std::string("Pilot tone: ") + ((value & 1) ? "1" : "0"),
            std::string("TA: ") + ((value & 2) ? "1" : "0")};
}

std::string StatusMessage(int value)
{
    const auto lines = StatusLines(value);
    return lines[0] + '\r' + lines[1] + '\r' + lines[2];
}

} // namespace quorvan
