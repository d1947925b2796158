#include "support/rds_test_decoder.h"

#include <algorithm>

namespace quorvan::test {

namespace {

void Put(std::string& s, std::size_t at, unsigned word)
{
    if (at < s.size())
        s[at] = char(word >> 8);
    if (at + 1 < s.size())
        s[at + 1] = char(word & 0xFF);
}

std::string UpToReturn(const std::string& s)
{
    const auto end = s.find('\r');
    return end == std::string::npos ? s : s.substr(0, end);
}

} // namespace

std::string EonFeature(const char* what, std::uint16_t pi)
{
    return what + std::to_string(pi);
}

void RdsTestDecoder::arrive(const std::string& feature, const std::string& piece)
{
    pieces[feature].insert(piece);
    arrivals[feature + "/" + piece].push_back(groups);
}

void RdsTestDecoder::feed(const rds::Group& g)
{
    const unsigned b2 = g.blocks[1], b3 = g.blocks[2], b4 = g.blocks[3];
    // Block 2: group type (bits 15-12), version B (bit 11), TP, PTY, and five
    // bits of the group's own (EN 50067:1998, 3.1.2).
    const int type = int(b2 >> 12);
    const bool b = (b2 >> 11) & 1;
    ++typeCount[type * 2 + (b ? 1 : 0)];
    if (type == 0 && !b) {
        // 0A: PS segment address in bits 1-0, two characters in block 4; the AF
        // pair in block 3 (3.1.5.1).
        const int segment = int(b2 & 3);
        Put(ps, 2 * std::size_t(segment), b4);
        arrive("PS", std::to_string(segment));
        af0A.push_back(std::uint16_t(b3));
        // AF method B (3.2.1.6.3): 224 + n and the tuned frequency open a
        // list; each pair after holds the tuned frequency and one alternative,
        // ascending for the same programme, descending for a regional variant.
        const int hi = int(b3 >> 8), lo = int(b3 & 0xFF);
        if (hi >= 224 && hi <= 249) {
            afTuned_ = lo;
            afLeft_ = hi - 224 - 1;
            afB[afTuned_];
        } else if (afTuned_ >= 0 && afLeft_ > 0) {
            afLeft_ -= 2;
            if (hi != afTuned_ && lo != afTuned_) {
                afBOrderBroken = true;
            } else {
                const int alternative = hi == afTuned_ ? lo : hi;
                afB[afTuned_][alternative] = hi > lo;
                arrive("AFB", std::to_string(afTuned_) + ":" + std::to_string(alternative));
            }
        }
    } else if (type == 1 && !b) {
        // 1A (3.1.5.2): variant in bits 14-12 of block 3; variant 0 carries the
        // ECC in bits 7-0, variant 3 the language code in bits 11-0; block 4 the
        // programme item number.
        const int variant = int((b3 >> 12) & 7);
        if (variant == 0) {
            ecc = std::uint8_t(b3 & 0xFF);
            arrive("ECC", "0");
        }
        if (variant == 3) {
            lic = std::uint16_t(b3 & 0xFFF);
            arrive("LIC", "3");
        }
        pin = std::uint16_t(b4);
        arrive("PIN", "4");
        arrive("1A", std::to_string(variant));
    } else if (type == 2 && !b) {
        // 2A (3.1.5.3): address in bits 3-0, four characters in blocks 3 and 4.
        const int segment = int(b2 & 15);
        Put(rt, 4 * std::size_t(segment), b3);
        Put(rt, 4 * std::size_t(segment) + 2, b4);
        arrive("RT", std::to_string(segment));
    } else if (type == 3 && !b) {
        // 3A (3.1.5.4): the application group type code in bits 4-0, the
        // message in block 3, the AID in block 4.
        odas[int(b2 & 0x1F)] = std::uint16_t(b4);
        odaMessage[int(b2 & 0x1F)] = std::uint16_t(b3);
        arrive("3A", std::to_string(b4));
    } else if (type == 10 && !b) {
        // 10A (3.1.5.14): A/B flag in bit 4, segment address in bit 0.
        const int segment = int(b2 & 1);
        Put(ptyn, 4 * std::size_t(segment), b3);
        Put(ptyn, 4 * std::size_t(segment) + 2, b4);
        arrive("PTYN", std::to_string(segment));
    } else if (type == 15 && !b) {
        // 15A, Long PS (IEC 62106-2, 6.2.9): segment address in bits 2-0, four
        // bytes of UTF-8 in blocks 3 and 4.
        const int segment = int(b2 & 7);
        Put(longPs, 4 * std::size_t(segment), b3);
        Put(longPs, 4 * std::size_t(segment) + 2, b4);
        arrive("LPS", std::to_string(segment));
    } else if (!b && odas.count(type << 1) && odas.at(type << 1) == kTestErtAid) {
        // eRT (IEC 62106-6): in the group its 3A names, segment address in
        // bits 4-0, four bytes in blocks 3 and 4.
        const int segment = int(b2 & 0x1F);
        Put(ert, 4 * std::size_t(segment), b3);
        Put(ert, 4 * std::size_t(segment) + 2, b4);
        arrive("ERT", std::to_string(segment));
    } else if (type == 14 && !b) {
        // 14A (3.1.5.19): TP(ON) in bit 4, variant in bits 3-0, PI(ON) in block 4.
        const std::uint16_t pi = std::uint16_t(b4);
        const int variant = int(b2 & 15);
        eonTp[pi] = (b2 >> 4) & 1;
        std::string& name = eonPs.try_emplace(pi, std::string(8, '?')).first->second;
        if (variant < 4) {
            Put(name, 2 * std::size_t(variant), b3);
            arrive(EonFeature("EON", pi), std::to_string(variant));
        } else if (variant == 4) {
            // AF(ON) of method A: two codes; 224 + n counts, 205 fills.
            for (unsigned code : {b3 >> 8, b3 & 0xFF})
                if (code >= 1 && code <= 204) {
                    eonAf[pi].insert(int(code));
                    arrive(EonFeature("EONAF", pi), std::to_string(code));
                }
        } else if (variant == 13) {
            // PTY(ON) in bits 15-11, TA(ON) in bit 0.
            eonPty[pi] = int(b3 >> 11);
            eonTa[pi] = b3 & 1;
            arrive(EonFeature("EONPTY", pi), "13");
        }
    }
    ++groups;
}

std::string RdsTestDecoder::rtText() const
{
    return UpToReturn(rt);
}

std::string RdsTestDecoder::longPsText() const
{
    return UpToReturn(longPs);
}

std::string RdsTestDecoder::ertText() const
{
    return UpToReturn(ert);
}

bool RdsTestDecoder::ertAnnouncedUtf8() const
{
    for (const auto& [code, aid] : odas)
        if (aid == kTestErtAid)
            return (odaMessage.at(code) & 1) != 0;
    return false;
}

std::int64_t RdsTestDecoder::completion(const std::string& feature, std::int64_t from) const
{
    const auto known = pieces.find(feature);
    if (known == pieces.end())
        return -1;
    std::int64_t last = from;
    for (const std::string& piece : known->second) {
        const auto& times = arrivals.at(feature + "/" + piece);
        const auto it = std::lower_bound(times.begin(), times.end(), from);
        if (it == times.end())
            return -1;
        last = std::max(last, *it + 1);
    }
    return last - from;
}

std::int64_t RdsTestDecoder::worstCompletion(const std::string& feature) const
{
    std::int64_t worst = 0;
    for (std::int64_t from = 0; from < groups; from += 7) {
        const std::int64_t c = completion(feature, from);
        if (c < 0)
            break;
        worst = std::max(worst, c);
    }
    return worst;
}

double RdsTestDecoder::share(int type) const
{
    const auto it = typeCount.find(type * 2);
    return it == typeCount.end() || groups == 0 ? 0.0 : double(it->second) / double(groups);
}

} // namespace quorvan::test
