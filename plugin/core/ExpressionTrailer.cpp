// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExpressionTrailer.h"

#include "StateLayout.h"

namespace kest::tolvane::plugin::state {

namespace {

constexpr std::uint8_t kTrailerVersion = 1;

// Reads the body front to back; every read is checked against its end.
class BodyReader {
public:
    explicit BodyReader(const std::vector<std::uint8_t>& body) : body_(body) {}
    bool byte(std::uint8_t& value)
    {
        if (at_ >= body_.size())
            return false;
        value = body_[at_++];
        return true;
    }
    bool word(int& value)
    {
        if (at_ + 2 > body_.size())
            return false;
        value = getU16(&body_[at_]);
        at_ += 2;
        return true;
    }
    bool atEnd() const { return at_ == body_.size(); }

private:
    const std::vector<std::uint8_t>& body_;
    std::size_t at_ = 0;
};

bool readSequence(BodyReader& in, synth::ToneSequence& s, synth::SequenceKind kind)
{
    std::uint8_t length = 0;
    if (!in.byte(length) || length > synth::kSequenceSteps || !in.byte(s.loop) || !in.byte(s.release) ||
        !in.byte(s.mode) || !in.byte(s.stepTicks) || !in.byte(s.delay))
        return false;
    s.length = length;
    for (int i = 0; i < length; ++i) {
        int value = 0;
        if (!in.word(value))
            return false;
        s.values[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    }
    synth::normaliseSequence(s, kind);
    return true;
}

} // namespace

std::size_t encodeExpressionTrailer(const synth::SynthesizerWT& engine, std::uint8_t* out)
{
    std::size_t at = 4;
    int count = 0;
    for (int t = 0; t < synth::kToneCount; ++t) {
        const synth::ToneExpression& e = engine.toneExpression(t);
        if (e.isNeutral())
            continue;
        ++count;
        const std::size_t kindsAt = at + 4;
        out[at] = static_cast<std::uint8_t>(t);
        out[at + 1] = e.lfo.delay;
        out[at + 2] = e.lfo.fade;
        out[at + 3] = e.lfo.depth;
        out[kindsAt] = 0;
        at += 5;
        for (int k = 0; k < synth::kSequenceKindCount; ++k) {
            synth::ToneSequence s = e.sequences[static_cast<std::size_t>(k)];
            if (s.isDefault())
                continue;
            synth::normaliseSequence(s, static_cast<synth::SequenceKind>(k));
            out[kindsAt] = static_cast<std::uint8_t>(out[kindsAt] | (1u << k));
            const std::uint8_t fields[] = {s.length, s.loop, s.release, s.mode, s.stepTicks, s.delay};
            for (std::uint8_t field : fields)
                out[at++] = field;
            for (int i = 0; i < s.length; ++i, at += 2)
                putU16(out + at, static_cast<std::uint16_t>(s.values[static_cast<std::size_t>(i)]));
        }
    }
    if (count == 0 && engine.getTickRate() == synth::kDefaultTickRate)
        return 0;
    out[0] = kTrailerVersion;
    out[1] = static_cast<std::uint8_t>(engine.getTickRate());
    putU16(out + 2, count);
    return at;
}

std::unique_ptr<LoadedExpressions> decodeExpressionTrailer(const std::vector<std::uint8_t>& body)
{
    BodyReader in(body);
    std::uint8_t version = 0, tickRate = 0;
    int count = 0;
    if (!in.byte(version) || version != kTrailerVersion || !in.byte(tickRate) || tickRate < synth::kMinTickRate ||
        tickRate > synth::kMaxTickRate || !in.word(count) || count > synth::kToneCount)
        return nullptr;
    auto loaded = std::make_unique<LoadedExpressions>();
    loaded->tickRate = tickRate;
    int previous = -1;
    for (int i = 0; i < count; ++i) {
        std::uint8_t tone = 0, kinds = 0;
        if (!in.byte(tone) || tone <= previous)
            return nullptr;
        previous = tone;
        synth::ToneExpression& e = loaded->tones[tone];
        if (!in.byte(e.lfo.delay) || !in.byte(e.lfo.fade) || !in.byte(e.lfo.depth) || !in.byte(kinds) ||
            e.lfo.depth > 127 || kinds >= (1u << synth::kSequenceKindCount))
            return nullptr;
        for (int k = 0; k < synth::kSequenceKindCount; ++k)
            if ((kinds & (1u << k)) &&
                !readSequence(in, e.sequences[static_cast<std::size_t>(k)], static_cast<synth::SequenceKind>(k)))
                return nullptr;
    }
    if (!in.atEnd())
        return nullptr;
    return loaded;
}

void applyExpressions(synth::SynthesizerWT& engine, const LoadedExpressions* loaded)
{
    engine.setTickRate(loaded ? loaded->tickRate : synth::kDefaultTickRate);
    for (int t = 0; t < synth::kToneCount; ++t)
        engine.toneExpression(t) = loaded ? loaded->tones[static_cast<std::size_t>(t)] : synth::ToneExpression{};
}

} // namespace kest::tolvane::plugin::state
