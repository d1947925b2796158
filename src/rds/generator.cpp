#include "rds/generator.h"

#include "encoder/image_decode.h"
#include "link/clock.h"
#include "rds/rtplus_groups.h"
#include "sim/virtual_encoder.h"

#include <algorithm>

namespace quorvan::rds {

namespace {

// The radiotext control byte and text as the stream compares them.
std::array<std::uint8_t, 1 + image::kRTLength> RadiotextOf(const image::ImageBytes& ram)
{
    std::array<std::uint8_t, 1 + image::kRTLength> rt{};
    rt[0] = ram[image::kRTControl];
    std::copy_n(ram.begin() + image::kRT, image::kRTLength, rt.begin() + 1);
    return rt;
}

} // namespace

void GroupGenerator::ClockTimeTriggered(const std::array<std::uint8_t, 6>& record)
{
    if (record[0] == image::kCTGroupType4A)
        clockTime_ = record;
}

Group GroupGenerator::next0A(const image::ImageBytes& ram)
{
    return next0A(ram, AFMethodA(AFCodesOf(ram)));
}

Group GroupGenerator::next0A(const image::ImageBytes& ram, const std::vector<std::uint16_t>& af)
{
    if (psSegment_ == 0)
        ps_ = onAir_.NextCycle(ram, sent_);
    if (af != af_) {
        af_ = af;
        afIndex_ = 0;
    }
    const Group g = Group0A(ram, psSegment_, ps_, af_[afIndex_]);
    afIndex_ = (afIndex_ + 1) % af_.size();
    psSegment_ = (psSegment_ + 1) % 4;
    return g;
}

Group GroupGenerator::next2A(const image::ImageBytes& ram)
{
    const auto rt = RadiotextOf(ram);
    if (rt != rt_) {
        rt_ = rt;
        rtSegment_ = 0;
        rtPlusPrompt_ = rtPlusOn_;  // its tags follow segment 0 closely
    }
    const Group g = Group2A(ram, rtSegment_);
    rtSegment_ = (rtSegment_ + 1) % 16;
    return g;
}

Group GroupGenerator::nextRTPlus11A(const image::ImageBytes& ram)
{
    // The item: the tagged characters of the text as it is now. A new one flips the toggle.
    const rtplus::Tags tags = rtplus::DecodeRegisters(rtPlus_);
    if (tags.running) {
        const std::string_view text(reinterpret_cast<const char*>(ram.data() + image::kRT), image::kRTLength);
        const std::string item = std::to_string(tags.first.type) + ':' + rtplus::TagText(text, tags.first) + '\n' +
                                 std::to_string(tags.second.type) + ':' + rtplus::TagText(text, tags.second);
        if (item != item_) {
            item_ = item;
            toggle_ = !toggle_;
        }
    }
    rtPlusPrompt_ = false;
    last11A_ = sent_;
    return GroupRTPlus11A(ram, rtPlus_, toggle_);
}

Group GroupGenerator::nextRTPlusPlace8(const image::ImageBytes& ram)
{
    const std::int64_t since3A = sent_ - last3A_;
    const std::int64_t since11A = sent_ - last11A_;
    if (since11A >= 11 && since3A < 50)
        return nextRTPlus11A(ram);
    if (since3A >= 40) {
        last3A_ = sent_;
        return GroupRTPlus3A(ram);
    }
    if (rtPlusPrompt_)
        return nextRTPlus11A(ram);
    return next0A(ram);
}

bool GroupGenerator::followRTPlus(const image::ImageBytes& ram, const rtplus::Registers& rtPlus)
{
    const bool radiotext = (ram[image::kRTControl] & 0x01) != 0;
    const bool rtPlusOn = radiotext && rtplus::RegistersOn(rtPlus);
    // New tags for the text on air want an 11A soon; with a new text, its
    // segment 0 asks for it.
    if (rtPlusOn && (!rtPlusOn_ || rtPlus != rtPlus_) && RadiotextOf(ram) == rt_)
        rtPlusPrompt_ = true;
    rtPlusOn_ = rtPlusOn;
    rtPlus_ = rtPlusOn ? rtPlus : rtplus::Registers{};
    if (!rtPlusOn)
        rtPlusPrompt_ = false;
    return rtPlusOn;
}

Group GroupGenerator::Next(const image::ImageBytes& ram, const rtplus::Registers& rtPlus, const ExtendedValues& values)
{
    if (clockTime_) {
        const Group g = ClockTimeGroup(ram, *clockTime_);
        clockTime_.reset();
        ++sent_;
        return g;
    }
    if (!NoneSet(values)) {
        const Group g = nextExtended(ram, rtPlus, values);
        ++sent_;
        return g;
    }
    const bool radiotext = (ram[image::kRTControl] & 0x01) != 0;
    const bool userGroup = ram[image::kUDGEnable] != 0;
    const bool rtPlusOn = followRTPlus(ram, rtPlus);
    const int place = place_;
    place_ = (place_ + 1) % 10;
    Group g;
    if (place == 8 && rtPlusOn)
        g = nextRTPlusPlace8(ram);
    else if (place % 2 == 0)
        g = next0A(ram);
    else if (place == 9 && userGroup)
        g = UserGroup(ram);
    else if (radiotext && rtPlusPrompt_)
        g = nextRTPlus11A(ram);
    else if (radiotext)
        g = next2A(ram);
    else
        g = next0A(ram);
    if (!radiotext)
        rt_[0] = 0;  // radiotext switched on again starts from segment 0
    ++sent_;
    return g;
}

rtplus::Registers RTPlusRegistersOf(const EncoderState& state)
{
    return state.extension.rtPlus;
}

bool EncoderStream::OnAir(const EncoderState& state)
{
    return state.power && state.carrier;
}

Group EncoderStream::Next(const EncoderState& state)
{
    if (latches_ && *latches_ != state.clockTimeLatches) {
        std::array<std::uint8_t, 6> record{};
        std::copy_n(state.clockTime.begin(), record.size(), record.begin());
        generator_.ClockTimeTriggered(record);
    }
    latches_ = state.clockTimeLatches;
    image::ImageBytes ram{};
    std::copy_n(state.ram.begin(), ram.size(), ram.begin());
    return generator_.Next(ram, RTPlusRegistersOf(state), state.extension.values);
}

std::int64_t GroupsInSeconds(std::int64_t seconds)
{
    // Group k begins k * 208 / 2375 s after the first.
    return (seconds * 2375 + 207) / 208;
}

namespace {

// The record of the minute after the one in `bytes` (0x68..0x6C).
std::array<std::uint8_t, 5> NextMinute(const std::array<std::uint8_t, 5>& bytes)
{
    ClockTimeFields f = UnpackClockTime(bytes);
    if (++f.utcMinute >= 60) {
        f.utcMinute = 0;
        if (++f.utcHour >= 24) {
            f.utcHour = 0;
            ++f.mjd;
        }
    }
    return PackClockTime(f);
}

} // namespace

std::vector<Group> GroupsDuring(const EncoderState& state, const DateTime& start, std::int64_t seconds)
{
    std::vector<Group> groups;
    if (!EncoderStream::OnAir(state) || seconds <= 0)
        return groups;
    image::ImageBytes ram{};
    std::copy_n(state.ram.begin(), ram.size(), ram.begin());
    ram[image::kStatus] = state.status;
    const rtplus::Registers rtPlus = RTPlusRegistersOf(state);
    GroupGenerator generator;
    const std::int64_t count = GroupsInSeconds(seconds);
    const std::int64_t intoMinute = start.second * 1000 + start.msec;
    std::int64_t boundary = (60000 - intoMinute) % 60000;  // ms after the start
    groups.reserve(static_cast<std::size_t>(count));
    for (std::int64_t k = 0; k < count; ++k) {
        if (k * 208000 / 2375 >= boundary) {
            boundary += 60000;
            if (ram[image::kCTGroupType] == image::kCTGroupType4A) {
                std::array<std::uint8_t, 6> record{};
                std::copy_n(ram.begin() + image::kCTGroupType, record.size(), record.begin());
                generator.ClockTimeTriggered(record);
                std::array<std::uint8_t, 5> bytes{};
                std::copy_n(record.begin() + 1, bytes.size(), bytes.begin());
                const auto next = NextMinute(bytes);
                std::copy(next.begin(), next.end(), ram.begin() + image::kCTBits);
            }
        }
        groups.push_back(generator.Next(ram, rtPlus, state.extension.values));
    }
    return groups;
}

} // namespace quorvan::rds
