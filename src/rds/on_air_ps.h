// The dynamic PS as the virtual encoder puts it on air. How an encoder shows
// a dynamic PS is its own business; this one does the following, counting
// time in groups (11.4 per second) and changing the PS only between two
// complete cycles of segments 0 to 3, so every value reaches a receiver whole:
//
// - Mode 0: the text is cut into 8-character labels, shown one after another,
//   each for the label period (rounded up to whole PS cycles).
// - Mode 2: whole words are packed into labels of at most 8 characters, left
//   aligned; a word longer than 8 is cut into 8-character pieces. Each label
//   stays for the label period.
// - Mode 1 scrolls by character, mode 3 by word (each step begins at the next
//   word): an 8-character window over the text. Speed "High" moves it one step
//   per PS cycle, "Low" one step per two cycles.
// - After the last label of a loop the default PS is shown for the delay
//   between loops, then the loop starts again. Delay 0 loops at once; delay
//   255 ("infinite") shows the text once and then keeps the default PS until
//   the dynamic PS changes.
// - Any change of the dynamic PS bytes (text, length, mode, timing) starts the
//   loop again from its first label; length 0 puts the default PS back.
// A mode byte above 3 is taken as mode 0.
#pragma once

#include "encoder/image_layout.h"
#include "rds/groups.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvan::rds {

// The dynamic PS bytes of the image.
struct DynamicPSBytes {
    int length = 0;          // 0..72 (the byte, capped)
    int mode = 0;            // 0..3
    int labelPeriod = 0;     // the byte: (byte + 1) half seconds
    int delay = 0;           // the byte: 2.7-second steps, 255 infinite
    int speed = 0;           // 0 high, 1 low (any other: low)
    std::string text;        // `length` bytes from 0x77
    bool operator==(const DynamicPSBytes&) const = default;
};
DynamicPSBytes DynamicPSBytesOf(const image::ImageBytes& ram);

// The 8-character values of one loop, in order.
std::vector<PSValue> DynamicPSFrames(const DynamicPSBytes& dps);

PSValue DefaultPSOf(const image::ImageBytes& ram);
PSValue ToPSValue(const std::string& text);  // first 8 bytes, padded with spaces

class OnAirPS {
public:
    // The PS for the cycle that begins now, `group` groups after the start of
    // the stream; called once per cycle, before segment 0.
    PSValue NextCycle(const image::ImageBytes& ram, std::int64_t group);

private:
    enum class Phase { Off, Frames, Delay, Done };
    void restart(std::int64_t group);
    bool frameElapsed(std::int64_t group) const;

    DynamicPSBytes bytes_;
    std::vector<PSValue> frames_;
    Phase phase_ = Phase::Off;
    std::size_t frame_ = 0;
    std::int64_t since_ = 0;  // group at which the frame or the delay began
    int cycles_ = 0;          // cycles the current frame has been sent
};

} // namespace quorvan::rds
