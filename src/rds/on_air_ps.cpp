#include "rds/on_air_ps.h"

#include "rds/groups.h"

#include <algorithm>

namespace quorvan::rds {

namespace {

std::vector<std::string> Words(const std::string& text)
{
    std::vector<std::string> words;
    std::string word;
    for (char c : text) {
        if (c == ' ') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    if (!word.empty())
        words.push_back(word);
    return words;
}

} // namespace

PSValue ToPSValue(const std::string& text)
{
    PSValue v;
    v.fill(' ');
    std::copy_n(text.begin(), std::min<std::size_t>(text.size(), v.size()), v.begin());
    return v;
}

PSValue DefaultPSOf(const image::ImageBytes& ram)
{
    PSValue v;
    std::copy_n(ram.begin() + image::kPS, v.size(), v.begin());
    return v;
}

DynamicPSBytes DynamicPSBytesOf(const image::ImageBytes& ram)
{
    DynamicPSBytes d;
    d.length = std::min<int>(ram[image::kDPSLength], image::kDPSMax);
    d.mode = ram[image::kDPSMode] <= 3 ? ram[image::kDPSMode] : 0;
    d.labelPeriod = ram[image::kLabelPeriod];
    d.delay = ram[image::kDPSDelay];
    d.speed = ram[image::kScrollSpeed] == 0 ? 0 : 1;
    d.text.assign(ram.begin() + image::kDPSText, ram.begin() + image::kDPSText + d.length);
    return d;
}

std::vector<PSValue> DynamicPSFrames(const DynamicPSBytes& dps)
{
    std::vector<PSValue> frames;
    const std::string& text = dps.text;
    switch (dps.mode) {
    case 1: // scrolling by character
        if (text.size() <= 8)
            frames.push_back(ToPSValue(text));
        else
            for (std::size_t i = 0; i + 8 <= text.size(); ++i)
                frames.push_back(ToPSValue(text.substr(i, 8)));
        break;
    case 2: { // whole words in labels of at most 8
        std::string label;
        for (const std::string& word : Words(text)) {
            if (word.size() > 8) {
                if (!label.empty())
                    frames.push_back(ToPSValue(label));
                label.clear();
                for (std::size_t i = 0; i < word.size(); i += 8)
                    frames.push_back(ToPSValue(word.substr(i, 8)));
            } else if (label.empty()) {
                label = word;
            } else if (label.size() + 1 + word.size() <= 8) {
                label += ' ' + word;
            } else {
                frames.push_back(ToPSValue(label));
                label = word;
            }
        }
        if (!label.empty())
            frames.push_back(ToPSValue(label));
        break;
    }
    case 3: // scrolling by word
        for (std::size_t i = 0; i < text.size(); ++i)
            if (text[i] != ' ' && (i == 0 || text[i - 1] == ' '))
                frames.push_back(ToPSValue(text.substr(i, 8)));
        break;
    default: // fixed 8-character labels
        for (std::size_t i = 0; i < text.size(); i += 8)
            frames.push_back(ToPSValue(text.substr(i, 8)));
        break;
    }
    return frames;
}

void OnAirPS::restart(std::int64_t group)
{
    phase_ = frames_.empty() ? Phase::Off : Phase::Frames;
    frame_ = 0;
    since_ = group;
    cycles_ = 0;
}

bool OnAirPS::frameElapsed(std::int64_t group) const
{
    if (bytes_.mode == 1 || bytes_.mode == 3)
        return cycles_ >= (bytes_.speed == 0 ? 1 : 2);
    return group - since_ >= GroupsForHalfSeconds(bytes_.labelPeriod + 1);
}

PSValue OnAirPS::NextCycle(const image::ImageBytes& ram, std::int64_t group)
{
    const DynamicPSBytes bytes = DynamicPSBytesOf(ram);
    if (bytes.length == 0) {
        phase_ = Phase::Off;
        bytes_ = bytes;
        return DefaultPSOf(ram);
    }
    if (phase_ == Phase::Off || bytes != bytes_) {
        bytes_ = bytes;
        frames_ = DynamicPSFrames(bytes_);
        restart(group);
    } else if (phase_ == Phase::Frames && frameElapsed(group)) {
        ++frame_;
        since_ = group;
        cycles_ = 0;
        if (frame_ == frames_.size()) {
            if (bytes_.delay == 0)
                frame_ = 0;
            else
                phase_ = bytes_.delay == 255 ? Phase::Done : Phase::Delay;
        }
    } else if (phase_ == Phase::Delay && group - since_ >= GroupsForTenths(bytes_.delay * 27)) {
        restart(group);
    }
    if (phase_ != Phase::Frames)
        return DefaultPSOf(ram);
    ++cycles_;
    return frames_[frame_];
}

} // namespace quorvan::rds
