// The extended round and the engineer's round (generator.h).
#include "rds/generator.h"

#include "rds/af_method_b.h"
#include "rds/eon.h"
#include "rds/ert.h"
#include "rds/long_ps.h"
#include "rds/ptyn.h"
#include "rds/rtplus_groups.h"
#include "rds/slow_labelling.h"

#include <algorithm>

namespace quorvan::rds {

namespace {

bool RadiotextOn(const image::ImageBytes& ram)
{
    return (ram[image::kRTControl] & 0x01) != 0;
}

bool SlowLabelling(const ExtendedValues& v)
{
    return v.ecc != 0 || v.lic != 0 || v.pin.has_value();
}

int UsedNetworks(const ExtendedValues& v)
{
    return static_cast<int>(std::count_if(v.eon.begin(), v.eon.end(), [](const OtherNetwork& on) { return on.used(); }));
}

// The block 3 words of another network's AF(ON) list: method A, codes 1..204.
std::vector<std::uint16_t> EonAF(const OtherNetwork& on)
{
    std::vector<std::uint8_t> codes;
    for (std::uint8_t c : on.af)
        if (c >= 1 && c <= 204 && codes.size() < static_cast<std::size_t>(kOtherNetworkAfs))
            codes.push_back(c);
    return codes.empty() ? std::vector<std::uint16_t>{} : AFMethodA(codes);
}

} // namespace

bool GroupGenerator::ertPlusOn(const ExtendedValues& v) const
{
    return rtPlusOn_ && v.ertFromRt && !v.ert.empty();
}

int GroupGenerator::odaCount(const ExtendedValues& v) const
{
    return (rtPlusOn_ ? 1 : 0) + (v.ert.empty() ? 0 : 1) + (ertPlusOn(v) ? 1 : 0);
}

bool GroupGenerator::wanted(const ExtendedValues& v, Feature f) const
{
    switch (f) {
    case k14B:
        return std::any_of(eon14B_.begin(), eon14B_.end(), [](int n) { return n > 0; });
    case kPrompt:
        return rtPlusPrompt_ || (ertPlusPrompt_ && ertPlusOn(v));
    case k1A:
        return SlowLabelling(v);
    case k10A:
        return !v.ptyn.empty();
    case k3A:
        return odaCount(v) > 0;
    case k11A:
        return rtPlusOn_;
    case k13A:
        return ertPlusOn(v);
    case k15A:
        return !v.longPs.empty();
    case k12A:
        return !v.ert.empty();
    case k14A:
        return UsedNetworks(v) > 0;
    case kUser:
    case kFeatures:
        break;
    }
    return false;
}

std::int64_t GroupGenerator::period(const ExtendedValues& v, Feature f) const
{
    switch (f) {
    case k1A: return 24;
    case k10A: return 48;
    case k3A: return 48 / std::max(1, odaCount(v));
    case k11A: return 20;
    case k13A: return 30;
    case k15A: return 15;
    case k12A: return 9;
    case k14A: return std::max(3, 30 / std::max(1, UsedNetworks(v)));
    case kUser: return 20;
    case k14B:
    case kPrompt:
    case kFeatures: break;
    }
    return 0;
}

std::optional<GroupGenerator::Feature> GroupGenerator::dueFeature(const ExtendedValues& v) const
{
    std::optional<Feature> best;
    std::int64_t bestDue = 0;
    for (int i = 0; i < kFeatures; ++i) {
        const auto f = static_cast<Feature>(i);
        const bool on = f == kUser ? userGroup_ : wanted(v, f);
        if (!on)
            continue;
        const std::int64_t due = (f == k14B || f == kPrompt) ? sent_ : f == k11A ? last11A_ + period(v, f) : due_[f];
        if (due <= sent_ && (!best || due < bestDue)) {
            best = f;
            bestDue = due;
        }
    }
    return best;
}

std::optional<GroupGenerator::Feature> GroupGenerator::dueInsertion(const ExtendedValues& v) const
{
    if (lastInserted_)
        return std::nullopt;
    if (wanted(v, k14B))
        return k14B;
    if (ertPlusPrompt_ && ertPlusOn(v))
        return k13A;
    if (wanted(v, k3A) && due_[k3A] <= sent_)
        return k3A;
    if (wanted(v, k13A) && due_[k13A] <= sent_)
        return k13A;
    return std::nullopt;
}

Group GroupGenerator::nextExtended0A(const image::ImageBytes& ram, const ExtendedValues& v)
{
    if (v.afMethod == AfMethod::B) {
        const std::vector<std::uint16_t> af = AFMethodB(v.afB);
        if (!af.empty())
            return next0A(ram, af);
    }
    return next0A(ram);
}

Group GroupGenerator::next1A(const image::ImageBytes& ram, const ExtendedValues& v)
{
    // ECC and LIC in turn; a PIN alone rides on variant 0 with no ECC.
    int variant = kSlowLabellingECC;
    if (v.lic != 0 && (v.ecc == 0 || slowVariant_ == 1))
        variant = kSlowLabellingLIC;
    slowVariant_ = variant == kSlowLabellingECC ? 1 : 0;
    const std::uint16_t data = variant == kSlowLabellingECC ? v.ecc : v.lic;
    return Group1A(ram, variant, data, v.pin);
}

Group GroupGenerator::next3A(const image::ImageBytes& ram, const ExtendedValues& v)
{
    // The ODAs in use in turn: RT+, eRT, eRT+.
    for (int tries = 0; tries < 3; ++tries) {
        const int oda = oda_;
        oda_ = (oda_ + 1) % 3;
        if (oda == 0 && rtPlusOn_) {
            last3A_ = sent_;
            return GroupRTPlus3A(ram);
        }
        if (oda == 1 && !v.ert.empty())
            return Group3A(ram, kErtGroupType, false, kErtMessageUTF8, kErtAID);
        if (oda == 2 && ertPlusOn(v))
            return Group3A(ram, kErtPlusGroupType, false, 0x0000, kErtPlusAID);
    }
    return nextExtended0A(ram, v);
}

Group GroupGenerator::nextErtPlus(const image::ImageBytes& ram)
{
    ertPlusPrompt_ = false;
    ertPlusSent_ = rtPlus_;
    return GroupErtPlus(ram, rtPlus_, toggle_);
}

Group GroupGenerator::next14(const image::ImageBytes& ram, const ExtendedValues& v)
{
    for (int k = 0; k < kOtherNetworks; ++k)
        if (eon14B_[k] > 0 && v.eon[k].used()) {
            --eon14B_[k];
            return Group14B(ram, v.eon[k]);
        }
    for (int tries = 0; tries < kOtherNetworks; ++tries) {
        const int k = eonNetwork_;
        eonNetwork_ = (eonNetwork_ + 1) % kOtherNetworks;
        const OtherNetwork& on = v.eon[k];
        if (!on.used())
            continue;
        // PS(ON) 0-3, then one of AF(ON) pairs and variant 13 in turn.
        const bool ps = !on.ps.empty();
        const int step = ps ? eonStep_[k] : 4;
        eonStep_[k] = (eonStep_[k] + 1) % 5;
        if (step < 4)
            return Group14APS(ram, on, step);
        const std::vector<std::uint16_t> af = EonAF(on);
        const int extra = eonExtra_[k] % static_cast<int>(af.size() + 1);
        eonExtra_[k] = (extra + 1) % static_cast<int>(af.size() + 1);
        if (extra < static_cast<int>(af.size()))
            return Group14A(ram, on, kEonVariantAF, af[static_cast<std::size_t>(extra)]);
        return Group14APtyTa(ram, on);
    }
    return nextExtended0A(ram, v);
}

Group GroupGenerator::nextFeature(const image::ImageBytes& ram, const ExtendedValues& v, Feature f)
{
    if (f != k14B && f != kPrompt && f != k11A)
        due_[f] = std::max(due_[f], sent_ - period(v, f)) + period(v, f);
    switch (f) {
    case k14B:
    case k14A:
        return next14(ram, v);
    case kPrompt:
        return rtPlusPrompt_ ? nextRTPlus11A(ram) : nextErtPlus(ram);
    case k1A:
        return next1A(ram, v);
    case k10A: {
        const Group g = Group10A(ram, v.ptyn, ptynSegment_, ptynFlag_);
        ptynSegment_ ^= 1;
        return g;
    }
    case k3A:
        return next3A(ram, v);
    case k11A:
        return nextRTPlus11A(ram);
    case k13A:
        return nextErtPlus(ram);
    case k15A: {
        const auto segments = TextSegments(v.longPs, kLongPsBytes);
        longPsSegment_ %= static_cast<int>(segments.size());
        const Group g = Group15A(ram, longPsSegment_, segments[static_cast<std::size_t>(longPsSegment_)]);
        longPsSegment_ = (longPsSegment_ + 1) % static_cast<int>(segments.size());
        return g;
    }
    case k12A: {
        const auto segments = TextSegments(v.ert, kErtBytes);
        ertSegment_ %= static_cast<int>(segments.size());
        const Group g = GroupErt(ram, ertSegment_, segments[static_cast<std::size_t>(ertSegment_)]);
        ertSegment_ = (ertSegment_ + 1) % static_cast<int>(segments.size());
        return g;
    }
    case kUser:
        return UserGroup(ram);
    case kFeatures:
        break;
    }
    return nextExtended0A(ram, v);
}

Group GroupGenerator::nextDefaultRound(const image::ImageBytes& ram, const ExtendedValues& v)
{
    const bool radiotext = RadiotextOn(ram);
    const int place = extPlace_;
    extPlace_ = (extPlace_ + 1) % 10;
    if (place == 0 || place == 2 || place == 5 || place == 7)
        return nextExtended0A(ram, v);
    if ((place == 1 || place == 6) && radiotext)
        return next2A(ram);
    if (const std::optional<Feature> f = dueFeature(v))
        return nextFeature(ram, v, *f);
    return radiotext ? next2A(ram) : nextExtended0A(ram, v);
}

Group GroupGenerator::nextSequence(const image::ImageBytes& ram, const ExtendedValues& v)
{
    if (const std::optional<Feature> f = dueInsertion(v)) {
        lastInserted_ = true;
        return nextFeature(ram, v, *f);
    }
    lastInserted_ = false;
    const SequenceGroup type = v.groupSequence[sequencePlace_ % v.groupSequence.size()];
    sequencePlace_ = (sequencePlace_ + 1) % v.groupSequence.size();
    auto as = [&](Feature f) { return wanted(v, f) ? nextFeature(ram, v, f) : nextExtended0A(ram, v); };
    switch (type) {
    case SequenceGroup::G0A:
    case SequenceGroup::G4A:
        break;
    case SequenceGroup::G1A:
        return as(k1A);
    case SequenceGroup::G2A:
        if (RadiotextOn(ram))
            return next2A(ram);
        break;
    case SequenceGroup::G3A:
        return as(k3A);
    case SequenceGroup::G10A:
        return as(k10A);
    case SequenceGroup::G11A:
        return as(k11A);
    case SequenceGroup::G12A:
        return as(k12A);
    case SequenceGroup::G14A:
        return as(k14A);
    case SequenceGroup::G15A:
        return as(k15A);
    case SequenceGroup::User:
        if (userGroup_)
            return UserGroup(ram);
        break;
    }
    return nextExtended0A(ram, v);
}

Group GroupGenerator::nextExtended(const image::ImageBytes& ram, const rtplus::Registers& rtPlus, const ExtendedValues& v)
{
    followRTPlus(ram, rtPlus);
    userGroup_ = ram[image::kUDGEnable] != 0;
    // New tags (or RT+ just on) for the eRT want their 13A soon.
    if (ertPlusOn(v) && rtPlus_ != ertPlusSent_)
        ertPlusPrompt_ = true;
    if (v.ptyn != ptyn_) {
        if (!ptyn_.empty())
            ptynFlag_ = !ptynFlag_;  // a new name: receivers clear the old one
        ptyn_ = v.ptyn;
        ptynSegment_ = 0;
    }
    if (v.longPs != longPs_) {
        longPs_ = v.longPs;
        longPsSegment_ = 0;
    }
    if (v.ert != ert_) {
        ert_ = v.ert;
        ertSegment_ = 0;
    }
    for (int k = 0; k < kOtherNetworks; ++k) {
        const bool ta = v.eon[k].used() && v.eon[k].ta;
        if (ta != eonTa_[k]) {
            eonTa_[k] = ta;
            eon14B_[k] = kEon14BRepeats;  // EN 50067:1998, 3.2.1.8.3
        }
    }
    const Group g = v.groupSequence.empty() ? nextDefaultRound(ram, v) : nextSequence(ram, v);
    if (!RadiotextOn(ram))
        rt_[0] = 0;  // radiotext switched on again starts from segment 0
    return g;
}

} // namespace quorvan::rds
