#include "rds/receiver.h"

#include "content/countries.h"

#include <algorithm>
#include <bit>

namespace quorvan::rds {

void Receiver::Take(const Group& g)
{
    ++groups;
    if (g.type() == 2 && !g.versionB())
        groupsSince2A = 0;
    else
        ++groupsSince2A;
    ++groupsOfType[g.type() * 2 + (g.versionB() ? 1 : 0)];
    pi = g.blocks[0];
    tp = (g.blocks[1] & 0x0400) != 0;
    pty = (g.blocks[1] >> 5) & 0x1F;
    const int code = g.type() * 2 + (g.versionB() ? 1 : 0);
    if (g.type() == 0)
        take0(g);
    else if (g.type() == 1 && !g.versionB())
        take1A(g);
    else if (g.type() == 2 && !g.versionB())
        take2A(g);
    else if (g.type() == 3 && !g.versionB())
        take3A(g);
    else if (g.type() == 10 && !g.versionB())
        take10A(g);
    else if (g.type() == 14)
        take14(g);
    else if (g.type() == 15 && !g.versionB())
        take15A(g);
    else if (rtPlusGroup && *rtPlusGroup == code)
        takeRTPlus(g);
    else if (ertGroup && *ertGroup == code)
        takeERT(g);
    else if (ertPlusGroup && *ertPlusGroup == code)
        takeRTPlus(g);
    else if (g.type() == 4 && !g.versionB()) {
        // MJD in 17 bits across blocks 2 and 3, then hour, minute, offset sign and size.
        ClockTimeFields ct;
        ct.mjd = ((g.blocks[1] & 0x3) << 15) | (g.blocks[2] >> 1);
        ct.utcHour = ((g.blocks[2] & 1) << 4) | (g.blocks[3] >> 12);
        ct.utcMinute = (g.blocks[3] >> 6) & 0x3F;
        ct.negative = (g.blocks[3] & 0x20) != 0;
        ct.halfHours = g.blocks[3] & 0x1F;
        clockTime = ct;
    }
}

void Receiver::take3A(const Group& g)
{
    // IEC 62106-6 / EN 50067:1998, 3.1.5.4: the AID in block 4, the group type that carries it in block 2.
    const int carrier = g.blocks[1] & 0x1F;
    if (g.blocks[3] == 0x4BD7)
        rtPlusGroup = carrier;
    else if (g.blocks[3] == 0x4BD8)
        ertPlusGroup = carrier;
    else if (g.blocks[3] == 0x6552) {
        // eRT: bit 0 of the message bits is the encoding, 1 UTF-8, 0 UCS-2.
        const bool utf8 = (g.blocks[2] & 1) != 0;
        if (utf8 != ertUtf8 || ertGroup != carrier) {
            ertText_ = SegmentedText{std::vector<char>(kErtBytes, utf8 ? ' ' : '\0')};
            ertText_.wide = !utf8;
            ert.clear();
        }
        ertUtf8 = utf8;
        ertGroup = carrier;
    }
}

void Receiver::takeRTPlus(const Group& g)
{
    // RDS Forum R06/040_1, 4.2; eRT+ has the same layout.
    const bool forErt = !(rtPlusGroup && *rtPlusGroup == g.type() * 2 + (g.versionB() ? 1 : 0));
    rtplus::Tags tags;
    if (!forErt)
        rtPlusToggle = (g.blocks[1] & 0x10) != 0;
    tags.running = (g.blocks[1] & 0x08) != 0;
    tags.first.type = ((g.blocks[1] & 7) << 3) | (g.blocks[2] >> 13);
    tags.first.start = (g.blocks[2] >> 7) & 0x3F;
    tags.first.length = ((g.blocks[2] >> 1) & 0x3F) + 1;
    tags.second.type = ((g.blocks[2] & 1) << 5) | (g.blocks[3] >> 11);
    tags.second.start = (g.blocks[3] >> 5) & 0x3F;
    tags.second.length = (g.blocks[3] & 0x1F) + 1;
    for (rtplus::Tag* t : {&tags.first, &tags.second})
        if (t->type == rtplus::kDummy)
            *t = rtplus::Tag{};
    (forErt ? ertPlusTags : rtPlusTags) = tags;
}

std::string Receiver::rtPlusField(int contentType) const
{
    if (!rtPlusTags || !rtPlusTags->running)
        return {};
    const std::string_view text(rtBuffer_.data(), rtBuffer_.size());
    for (const rtplus::Tag& t : {rtPlusTags->first, rtPlusTags->second})
        if (t.type == contentType)
            return rtplus::TagText(text, t);
    return {};
}

void Receiver::take0(const Group& g)
{
    const int segment = g.blocks[1] & 3;
    ta = (g.blocks[1] & 0x10) != 0;
    music = (g.blocks[1] & 0x08) != 0;
    di[3 - segment] = (g.blocks[1] & 0x04) != 0;
    if (!g.versionB())
        takeAF(g.blocks[2]);
    psBuffer_[2 * segment] = static_cast<char>(g.blocks[3] >> 8);
    psBuffer_[2 * segment + 1] = static_cast<char>(g.blocks[3] & 0xFF);
    if (segment == 0)
        psNext_ = 1;
    else if (segment == psNext_)
        ++psNext_;
    else
        psNext_ = -1;
    if (psNext_ == 4) {
        ps.assign(psBuffer_.begin(), psBuffer_.end());
        psNext_ = -1;
    }
}

void Receiver::takeAF(std::uint16_t block)
{
    const int high = block >> 8;
    const int low = block & 0xFF;
    auto add = [this](int code) {
        if (code >= 1 && code <= 204 && afExpected_ > 0 && static_cast<int>(afBuilding_.size()) < afExpected_)
            afBuilding_.push_back(code);
    };
    if (high == kAFCountBase && low == kAFFiller) {
        af.clear();
        afSeen = true;
        afExpected_ = 0;
        return;
    }
    if (high > kAFCountBase && high <= kAFCountBase + 25) {
        afBuilding_.clear();
        afExpected_ = high - kAFCountBase;
        add(low);
    } else {
        add(high);
        add(low);
    }
    if (afExpected_ > 0 && static_cast<int>(afBuilding_.size()) == afExpected_) {
        takeAfList(afBuilding_);
        afSeen = true;
        afExpected_ = 0;
    }
}

namespace {

// A method B list (EN 50067:1998, 3.2.1.6.3): an odd count of codes, the
// tuned frequency first, then pairs that each hold the tuned frequency and one
// alternative; a pair in falling order marks a regional variant.
std::optional<AfMethodBList> MethodBList(const std::vector<int>& codes)
{
    if (codes.size() < 3 || codes.size() % 2 == 0)
        return std::nullopt;
    AfMethodBList list;
    list.tuned = static_cast<std::uint8_t>(codes[0]);
    for (std::size_t i = 1; i + 1 < codes.size(); i += 2) {
        const int first = codes[i];
        const int second = codes[i + 1];
        if ((first == codes[0]) == (second == codes[0]))
            return std::nullopt;
        const int other = first == codes[0] ? second : first;
        list.alternatives.push_back({static_cast<std::uint8_t>(other), first > second});
    }
    return list;
}

} // namespace

void Receiver::takeAfList(const std::vector<int>& codes)
{
    if (auto list = MethodBList(codes)) {
        auto same = std::find_if(afB.begin(), afB.end(),
                                 [&](const AfMethodBList& l) { return l.tuned == list->tuned; });
        if (same != afB.end())
            *same = std::move(*list);
        else if (afB.size() < kMaxAfBLists)
            afB.push_back(std::move(*list));
        return;
    }
    af = codes;
}

std::string_view Receiver::country() const
{
    if (!ecc || !pi)
        return {};
    return CountryName(*ecc, static_cast<std::uint8_t>(*pi >> 12));
}

void Receiver::take1A(const Group& g)
{
    // Block 3: the linkage actuator, a variant code in bits 14-12, 12 bits of data.
    const int variant = (g.blocks[2] >> 12) & 7;
    if (variant == 0 && (g.blocks[2] & 0xFF) != 0)
        ecc = static_cast<std::uint8_t>(g.blocks[2] & 0xFF);
    else if (variant == 3)
        lic = g.blocks[2] & 0xFFF;
    // Block 4: day (5 bits), hour (5 bits), minute (6 bits); day 0 is no PIN.
    const int day = g.blocks[3] >> 11;
    const int hour = (g.blocks[3] >> 6) & 0x1F;
    const int minute = g.blocks[3] & 0x3F;
    if (day >= 1 && hour <= 23 && minute <= 59)
        pin = ProgrammeItem{day, hour, minute};
    else
        pin.reset();
}

void Receiver::take10A(const Group& g)
{
    // EN 50067:1998, 3.1.5.14: the A/B flag in bit 4, the segment in bit 0,
    // four characters in blocks 3 and 4.
    const char flag = (g.blocks[1] & 0x10) != 0 ? 'B' : 'A';
    if (ptynFlag != 0 && flag != ptynFlag) {
        ptynBuffer_.fill(' ');
        ptynReceived_ = 0;
        ptyn.clear();
    }
    ptynFlag = flag;
    const int segment = g.blocks[1] & 1;
    for (int i = 0; i < 4; ++i)
        ptynBuffer_[4 * segment + i] =
            static_cast<char>(i % 2 == 0 ? g.blocks[2 + i / 2] >> 8 : g.blocks[2 + i / 2] & 0xFF);
    ptynReceived_ = static_cast<std::uint8_t>(ptynReceived_ | (1u << segment));
    if (ptynReceived_ == 3)
        ptyn.assign(ptynBuffer_.begin(), ptynBuffer_.end());
}

namespace {

std::array<char, 4> FourBytes(const Group& g)
{
    return {static_cast<char>(g.blocks[2] >> 8), static_cast<char>(g.blocks[2] & 0xFF),
            static_cast<char>(g.blocks[3] >> 8), static_cast<char>(g.blocks[3] & 0xFF)};
}

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

bool Receiver::SegmentedText::take(int segment, const std::array<char, 4>& four)
{
    const int segments = static_cast<int>(bytes.size() / 4);
    if (segment < 0 || segment >= segments)
        return false;
    const std::uint32_t bit = 1u << segment;
    const bool differs = !std::equal(four.begin(), four.end(), bytes.begin() + 4 * segment);
    // Other bytes where a value is shown, or where this round already had
    // some, are a new value: it starts over from this segment.
    if (differs && (shown || (received & bit) != 0)) {
        std::fill(bytes.begin(), bytes.end(), wide ? '\0' : ' ');
        received = 0;
        shown = false;
    }
    std::copy(four.begin(), four.end(), bytes.begin() + 4 * segment);
    received |= bit;
    // Complete once every segment up to the one with the end mark (or all of them) came.
    for (int s = 0; s < segments; ++s) {
        if ((received & (1u << s)) == 0)
            return false;
        const auto from = bytes.begin() + 4 * s;
        const bool ends = wide ? (from[0] == 0 && from[1] == '\r') || (from[2] == 0 && from[3] == '\r')
                               : std::find(from, from + 4, '\r') != from + 4;
        if (ends)
            break;
    }
    shown = true;
    return true;
}

std::string Receiver::SegmentedText::text() const
{
    std::string out;
    if (wide) {
        // UCS-2, high byte first, ended by U+000D.
        for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
            const char32_t c = static_cast<char32_t>((static_cast<unsigned char>(bytes[i]) << 8)
                                                     | static_cast<unsigned char>(bytes[i + 1]));
            if (c == U'\r')
                break;
            AppendUtf8(out, c);
        }
    } else {
        out.assign(bytes.begin(), std::find(bytes.begin(), bytes.end(), '\r'));
    }
    while (!out.empty() && (out.back() == ' ' || out.back() == '\0'))
        out.pop_back();
    return out;
}

void Receiver::take15A(const Group& g)
{
    // IEC 62106-2, 6.2.2.15: the segment (0..7) in bits 2-0, four bytes of
    // UTF-8 in blocks 3 and 4.
    if (longPsText_.take(g.blocks[1] & 7, FourBytes(g)))
        longPs = longPsText_.text();
}

void Receiver::takeERT(const Group& g)
{
    // eRT: the segment (0..31) in bits 4-0 of block 2, four bytes in blocks 3 and 4.
    if (ertText_.take(g.blocks[1] & 0x1F, FourBytes(g)))
        ert = ertText_.text();
}

const OtherNetwork* Receiver::otherNetwork(std::uint16_t onPi) const
{
    for (const OtherNetwork& n : otherNetworks)
        if (n.pi == onPi)
            return &n;
    return nullptr;
}

void Receiver::take14(const Group& g)
{
    // EN 50067:1998, 3.1.5.19: block 4 the other network's PI, bit 4 of
    // block 2 its TP; 14B adds its TA in bit 3, 14A a variant in bits 3-0 that
    // says what block 3 holds.
    const std::uint16_t onPi = g.blocks[3];
    std::size_t at = 0;
    while (at < otherNetworks.size() && otherNetworks[at].pi != onPi)
        ++at;
    if (at == otherNetworks.size()) {
        if (otherNetworks.size() >= kMaxOtherNetworks)
            return;
        OtherNetwork fresh;
        fresh.pi = onPi;
        otherNetworks.push_back(fresh);
        networkBuilding_.emplace_back();
    }
    OtherNetwork& on = otherNetworks[at];
    NetworkBuilding& building = networkBuilding_[at];
    on.tp = (g.blocks[1] & 0x10) != 0;
    if (g.versionB()) {
        on.ta = (g.blocks[1] & 0x08) != 0;
        return;
    }
    const int variant = g.blocks[1] & 0xF;
    if (variant <= 3) {
        building.ps[2 * variant] = static_cast<char>(g.blocks[2] >> 8);
        building.ps[2 * variant + 1] = static_cast<char>(g.blocks[2] & 0xFF);
        building.psReceived = static_cast<std::uint8_t>(building.psReceived | (1u << variant));
        if (building.psReceived == 0xF) {
            on.ps.assign(building.ps.begin(), building.ps.end());
            building.psReceived = 0;
        }
    } else if (variant == 4) {
        // The AF list of method A, two codes a group, opened by 224 + count.
        const int high = g.blocks[2] >> 8;
        const int low = g.blocks[2] & 0xFF;
        auto add = [&](int c) {
            if (c >= 1 && c <= 204 && building.afExpected > 0
                && static_cast<int>(building.af.size()) < building.afExpected)
                building.af.push_back(c);
        };
        if (high == kAFCountBase && low == kAFFiller) {
            on.af.clear();
            building.afExpected = 0;
            return;
        }
        if (high > kAFCountBase && high <= kAFCountBase + 25) {
            building.af.clear();
            building.afExpected = high - kAFCountBase;
            add(low);
        } else {
            add(high);
            add(low);
        }
        if (building.afExpected > 0 && static_cast<int>(building.af.size()) == building.afExpected) {
            on.af.assign(building.af.begin(), building.af.end());
            building.afExpected = 0;
        }
    } else if (variant == 13) {
        // PTY in bits 15-11, TA in bit 0.
        on.pty = g.blocks[2] >> 11;
        on.ta = (g.blocks[2] & 1) != 0;
    }
}

void Receiver::take2A(const Group& g)
{
    const char flag = (g.blocks[1] & 0x10) != 0 ? 'B' : 'A';
    if (flag != rtFlag) {
        rtBuffer_.fill(' ');
        rtReceived_ = 0;
        rtFlag = flag;
    }
    const int segment = g.blocks[1] & 0xF;
    const std::uint16_t blocks[2] = {g.blocks[2], g.blocks[3]};
    for (int i = 0; i < 4; ++i)
        rtBuffer_[4 * segment + i] = static_cast<char>(i % 2 == 0 ? blocks[i / 2] >> 8 : blocks[i / 2] & 0xFF);
    rtReceived_ = static_cast<std::uint16_t>(rtReceived_ | (1u << segment));
    rtSegments = std::popcount(rtReceived_);
    rt.assign(rtBuffer_.begin(), rtBuffer_.end());
    const std::size_t end = rt.find('\r');
    if (end != std::string::npos)
        rt.resize(end);
}

} // namespace quorvan::rds
