// A receiver's group decoder for the tests, written from the group layouts of
// EN 50067:1998 and IEC 62106-2 (and the eRT open data application of IEC
// 62106-6), never from the generator or the product's receiver: it must not
// share a mistake with either. It reads PS, radiotext, ECC, LIC, PIN, PTYN,
// Long PS, eRT (found through its 3A announcement), AF lists of method A and
// B, and the other networks of 14A, and records when each piece of each
// feature arrived, so that a test can ask how long a feature took to arrive
// complete.
#pragma once

#include "rds/groups.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace quorvan::test {

// A group lasts 104 bits at 1187.5 bit/s (EN 50067:1998, 1.4): 11.42 groups
// a second. Completion times are counted at 11.4 groups a second, a little
// longer than the air takes, as the generator states them.
constexpr double kSecondsPerGroup = 1.0 / 11.4;

// The eRT's open data application (IEC 62106-6): its AID. Bit 0 of its 3A
// message says UTF-8 (set) or UCS-2.
constexpr std::uint16_t kTestErtAid = 0x6552;

struct RdsTestDecoder {
    // Each piece of a feature (a segment, a variant, a pair) with the groups
    // it arrived in (0 = the first group fed).
    std::map<std::string, std::vector<std::int64_t>> arrivals;
    std::map<std::string, std::set<std::string>> pieces;  // feature -> its piece names
    std::map<int, int> typeCount;                          // type * 2 + B
    std::int64_t groups = 0;

    std::string ps = std::string(8, '?');
    std::string rt = std::string(64, '\0');
    std::uint8_t ecc = 0;
    std::uint16_t lic = 0, pin = 0;
    std::string ptyn = std::string(8, '?');
    std::string longPs = std::string(32, '\0'), ert = std::string(128, '\0');
    std::map<int, std::uint16_t> odas;        // application group type code -> AID
    std::map<int, std::uint16_t> odaMessage;  // application group type code -> 3A block 3
    std::map<std::uint16_t, std::string> eonPs;
    std::map<std::uint16_t, int> eonPty;
    std::map<std::uint16_t, bool> eonTa, eonTp;
    std::map<std::uint16_t, std::set<int>> eonAf;
    std::vector<std::uint16_t> af0A;          // 0A block 3 words in order
    // AF method B as received: tuned frequency -> alternative -> regional.
    std::map<int, std::map<int, bool>> afB;
    // A pair without the tuned frequency. A method A list reads so too: the
    // two methods open alike, and only a method B station's pairs repeat it.
    bool afBOrderBroken = false;

    void feed(const rds::Group& g);
    void arrive(const std::string& feature, const std::string& piece);

    // The texts up to their end mark (carriage return), or whole.
    std::string rtText() const;
    std::string longPsText() const;
    std::string ertText() const;
    // The eRT is announced in 12A and UTF-8 coded.
    bool ertAnnouncedUtf8() const;

    // The groups from `from` until every piece of `feature` has arrived
    // again; -1 when some piece never does.
    std::int64_t completion(const std::string& feature, std::int64_t from) const;
    // The longest completion over start points through the stream (those with
    // a whole completion after them).
    std::int64_t worstCompletion(const std::string& feature) const;
    double share(int type) const;

private:
    int afTuned_ = -1, afLeft_ = 0;
};

// The features the decoder names: "PS", "RT", "ECC", "LIC", "PIN", "1A",
// "PTYN", "LPS", "ERT", "AFB", "3A", and per other network (its PI in
// decimal) "EON<pi>" (its PS), "EONAF<pi>", "EONPTY<pi>".
std::string EonFeature(const char* what, std::uint16_t pi);

} // namespace quorvan::test
