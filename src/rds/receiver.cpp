#include "rds/receiver.h"

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
    if (g.type() == 0)
        take0(g);
    else if (g.type() == 2 && !g.versionB())
        take2A(g);
    else if (g.type() == 3 && !g.versionB())
        take3A(g);
    else if (rtPlusGroup && *rtPlusGroup == g.type() * 2 + (g.versionB() ? 1 : 0))
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
    if (g.blocks[3] == 0x4BD7)
        rtPlusGroup = g.blocks[1] & 0x1F;
}

void Receiver::takeRTPlus(const Group& g)
{
    // RDS Forum R06/040_1, 4.2.
    rtplus::Tags tags;
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
    rtPlusTags = tags;
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
        af = afBuilding_;
        afSeen = true;
        afExpected_ = 0;
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
