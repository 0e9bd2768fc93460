// SPDX-License-Identifier: GPL-3.0-or-later
#include "SequenceText.h"

#include <algorithm>
#include <cstddef>

namespace kest::tolvane::formats {

namespace {

constexpr std::size_t kQuotedTokenLength = 12;

bool isSeparator(char c) { return c == ' ' || c == ',' || c == '\t' || c == '\r' || c == '\n'; }
bool isMark(char c) { return c == '|' || c == '/'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The token as the reason quotes it, cut short when long.
std::string quoted(std::string_view token)
{
    std::string text(1, '\'');
    text.append(token.substr(0, kQuotedTokenLength));
    text.append(token.size() > kQuotedTokenLength ? "...'" : "'");
    return text;
}

// A signed decimal integer held to [min, max], whatever its digit count;
// nothing when the token is not one.
std::optional<int> clampedInteger(std::string_view token, int min, int max)
{
    const bool negative = !token.empty() && token.front() == '-';
    if (!token.empty() && (token.front() == '-' || token.front() == '+'))
        token.remove_prefix(1);
    if (token.empty() || !std::all_of(token.begin(), token.end(), isDigit))
        return std::nullopt;
    // Past this every value lies outside every range; no overflow either.
    constexpr long long kSaturation = 1'000'000;
    long long magnitude = 0;
    for (char c : token)
        magnitude = std::min(magnitude * 10 + (c - '0'), kSaturation);
    return static_cast<int>(std::clamp<long long>(negative ? -magnitude : magnitude, min, max));
}

SequenceParse refused(std::string reason) { return {std::nullopt, std::move(reason)}; }

} // namespace

void SequenceSteps::applyTo(synth::ToneSequence& sequence) const
{
    sequence.values = values;
    sequence.length = length;
    sequence.loop = loop;
    sequence.release = release;
}

SequenceParse parseSequenceText(std::string_view text, synth::SequenceKind kind, int mode)
{
    const synth::ValueRange range = synth::sequenceValueRange(kind, mode);
    SequenceSteps steps;
    int count = 0; // steps read, kept or not
    int loop = -1;
    int release = -1;
    bool loopWaitsForStep = false;

    std::size_t at = 0;
    while (at < text.size()) {
        const char c = text[at];
        if (isSeparator(c)) {
            ++at;
            continue;
        }
        if (isMark(c)) {
            ++at;
            if (loopWaitsForStep)
                return refused("'|' must stand before a step");
            if (c == '|') {
                if (loop >= 0)
                    return refused("more than one '|'");
                loop = count;
                loopWaitsForStep = true;
            } else {
                if (release >= 0)
                    return refused("more than one '/'");
                release = count;
            }
            continue;
        }
        std::size_t end = at;
        while (end < text.size() && !isSeparator(text[end]) && !isMark(text[end]))
            ++end;
        const std::string_view token = text.substr(at, end - at);
        at = end;
        const auto value = clampedInteger(token, range.min, range.max);
        if (!value)
            return refused(quoted(token).append(" is not a number"));
        if (count < synth::kSequenceSteps)
            steps.values[static_cast<std::size_t>(count)] = static_cast<std::int16_t>(*value);
        ++count;
        loopWaitsForStep = false;
    }
    if (loopWaitsForStep)
        return refused("'|' must stand before a step");

    steps.length = static_cast<std::uint8_t>(std::min(count, synth::kSequenceSteps));
    if (loop >= 0 && loop < steps.length)
        steps.loop = static_cast<std::uint8_t>(loop);
    if (release >= 0 && release <= steps.length)
        steps.release = static_cast<std::uint8_t>(release);
    return {steps, {}};
}

std::string sequenceText(const synth::ToneSequence& sequence)
{
    const int length = std::min<int>(sequence.length, synth::kSequenceSteps);
    std::string text;
    auto put = [&text](std::string_view token) {
        if (!text.empty())
            text += ' ';
        text += token;
    };
    for (int i = 0; i <= length; ++i) {
        if (sequence.release == i)
            put("/");
        if (i == length)
            break;
        if (sequence.loop == i)
            put("|");
        put(std::to_string(sequence.values[static_cast<std::size_t>(i)]));
    }
    return text;
}

} // namespace kest::tolvane::formats
