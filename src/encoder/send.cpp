#include "encoder/send.h"

#include "content/dynamic_ps.h"
#include "content/extended_text.h"
#include "content/pi.h"
#include "content/radiotext.h"
#include "content/steps.h"
#include "content/user_group.h"
#include "encoder/image_layout.h"
#include "encoder/extended_send.h"
#include "encoder/rtplus_registers.h"

namespace quorvan {

namespace {

constexpr unsigned kAfterFirstTransactionMs = 500;
constexpr unsigned kAfterStoreMs = 500;

std::uint8_t Byte(int value) { return static_cast<std::uint8_t>(value & 0xFF); }

// A group type index outside the list (possible after loading a damaged
// settings file) names no group: it is written as 0 and the group is not
// switched on, rather than sending a group the operator cannot see.
bool GroupTypeValid(const TStationParams& params) { return params.system.CBGRTYP >= 0 && params.system.CBGRTYP < kGroupTypes; }

} // namespace

ByteRun ProgramBytes(const TStationParams& params)
{
    ByteRun run{PIHighByte(params.program.PI), PILowByte(params.program.PI)};
    std::string ps = params.program.PSDEF.substr(0, image::kPSLength);
    ps.resize(image::kPSLength, ' ');
    AppendText(run, ps);
    run.push_back(Byte(params.program.PTY));
    int di = 0;
    for (int bit = 0; bit < 4; ++bit)
        if (params.program.DI[bit])
            di |= 1 << bit;
    run.push_back(Byte(di));
    run.push_back(Byte(params.program.MS));
    run.push_back(params.program.TP ? 1 : 0);
    run.push_back(params.program.TA ? 1 : 0);
    return run;
}

ByteRun AFBytes(const AFList& af)
{
    ByteRun run{static_cast<std::uint8_t>(af.count)};
    for (int i = 0; i < af.count; ++i)
        run.push_back(af.codes[i]);
    return run;
}

ByteRun RadiotextAndGroupBytes(const TStationParams& params)
{
    ByteRun run{0x00};  // radiotext off while it is rewritten
    AppendText(run, RadiotextBytes(ActualRT(params)));
    run.push_back(0x00);  // user defined group off while it is rewritten
    run.push_back(GroupTypeValid(params) ? Byte(params.system.CBGRTYP * 8) : 0);
    for (int i = 0; i < kUserGroupBytes; ++i)
        run.push_back(UserGroupByteValue(params.db(i)));
    return run;
}

ByteRun SubcarrierBytes(const TStationParams& params)
{
    return {Byte((params.system.RGCS & 1) + 2 * (params.system.RGPLLR & 1)), Byte(PhaseCode(params.system.SEPHASE))};
}

ByteRun DynamicPSSettingsBytes(const TStationParams& params)
{
    return {Byte(DelayCode(params.dynamicPs.SEDPS1DL)), Byte(params.dynamicPs.RGDPS1M), Byte(LabelPeriodCode(params.dynamicPs.SEDPSLP)),
            Byte(params.dynamicPs.RGDLD)};
}

SendResult Send(EncoderContext& ctx, TStationParams& params)
{
    SendResult result;
    if (ctx.guard && ctx.guard->Holds(ctx.clock))
        return result;
    TEncoderLink& link = ctx.link;

    // T1: the programme values, then the AF list as MakeAFList leaves it.
    link.SendStart(true);
    link.SendByte(image::kDeviceWrite);
    link.SendByte(image::kPI);
    for (std::uint8_t b : ProgramBytes(params))
        link.SendByte(b);
    result.af = MakeAFList(params, ctx.decimalSeparator);
    for (std::uint8_t b : AFBytes(result.af))
        link.SendByte(b);
    link.SendStop(false);

    ctx.sleeper.sleepMs(kAfterFirstTransactionMs);

    // T2, T3: radiotext and user group content with both switched off, then
    // the radiotext control.
    WriteRun(link, Opens::Continues, image::kRTControl, RadiotextAndGroupBytes(params), Closes::Continues);
    WriteRTPlusRegisters(link, rtplus::RegistersFor(params, ActualRT(params)));
    WriteRun(link, Opens::Continues, image::kRTControl, {Byte(RadiotextControl(params))}, Closes::Continues);
    // T4: the user group back on.
    if (params.system.CBUDGEN && GroupTypeValid(params))
        WriteRun(link, Opens::Continues, image::kUDGEnable, {0x01}, Closes::Continues);
    // T5: subcarrier.
    WriteRun(link, Opens::Continues, image::kSubcarrierClock, SubcarrierBytes(params), Closes::Continues);
    // T6: dynamic PS text with the length at 0, closed by one space.
    result.dpsText = DynamicPSText(params);
    ByteRun text{0x00};
    AppendText(text, result.dpsText);
    text.push_back(' ');
    WriteRun(link, Opens::Continues, image::kDPSLength, text, Closes::Continues);
    // T7: dynamic PS settings; the length only when dynamic PS is enabled.
    ByteRun settings = DynamicPSSettingsBytes(params);
    if (params.dynamicPs.DPS1EN)
        settings.push_back(Byte(static_cast<int>(result.dpsText.size())));
    WriteRun(link, Opens::Continues, image::kDPSDelay, settings, Closes::Operation);

    result.outcome = ClosedOutcome(link);
    // With ERTFromRT the eRT follows the radiotext this Send put on air
    // (where it is not that radiotext already, in its own letters).
    if (IsReady(result.outcome) && params.radiotext.CBRTEN)
        ErtFollowsEncoderRadiotext(params.extended, ActualRT(params), CharsetFromInt(params.preferences.CBCHARSET));
    // What the chip lacks, into the virtual encoder's record (nothing on a
    // real chip's bus).
    if (IsReady(result.outcome))
        result.outcome = SendExtended(link, params.extended);
    if (ctx.guard)
        ctx.guard->Touch(ctx.clock);
    return result;
}

Outcome Store(EncoderContext& ctx)
{
    const Outcome outcome = WriteOperation(ctx.link, image::kCommand, {image::kCommandStore});
    ctx.sleeper.sleepMs(kAfterStoreMs);
    if (ctx.guard)
        ctx.guard->Touch(ctx.clock);
    return outcome;
}

} // namespace quorvan
