// SPDX-License-Identifier: GPL-3.0-or-later
#include "PageLive.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "PageSound.h"

namespace kest::tolvane::web {

// The messages that arrived since the last quantum, all at its first frame,
// in arrival order.
class PageLive::QueuedInput final : public tools::MidiInput {
public:
    QueuedInput() : bytes_(kMaxMessageBytes) {}

    bool add(std::span<const std::uint8_t> message)
    {
        if (message.empty() || count_ == kMaxMessages || used_ + message.size() > bytes_.size())
            return false;
        std::memcpy(bytes_.data() + used_, message.data(), message.size());
        messages_[static_cast<std::size_t>(count_++)] = {used_, message.size()};
        used_ += message.size();
        return true;
    }
    void clear()
    {
        count_ = 0;
        used_ = 0;
    }
    int count() const override { return count_; }
    bool get(int index, plugin::RawMidi& event) const override
    {
        const Span& m = messages_[static_cast<std::size_t>(index)];
        event = {0, bytes_.data() + m.offset, m.size};
        return true;
    }

private:
    struct Span {
        std::size_t offset = 0;
        std::size_t size = 0;
    };
    std::vector<std::uint8_t> bytes_;
    std::array<Span, kMaxMessages> messages_{};
    int count_ = 0;
    std::size_t used_ = 0;
};

PageLive::PageLive() : input_(std::make_unique<QueuedInput>()) {}

bool PageLive::start(int sampleRate, std::span<const std::uint8_t> preset, std::string& error)
{
    auto context = std::make_unique<plugin::EngineContext>();
    // The rate first, as the renderer sets it, so a note sounds as it renders.
    context->setSampleRate(static_cast<float>(sampleRate));
    if (!loadPageSound(*context, preset, error))
        return false;
    {
        // A sound module obeys GM, GS and XG resets, as tolvane-play does.
        std::lock_guard lock(context->engineMutex());
        context->synth->setReceiveUniversalSysEx(true);
    }
    player_.reset(); // it refers to the old context
    context_ = std::move(context);
    player_ = std::make_unique<tools::LivePlayer>(*context_, tools::OutputLayout::Summed);
    player_->reserveFrames(kMaxFrames);
    input_->clear();
    return true;
}

bool PageLive::queueMessage(std::span<const std::uint8_t> bytes) { return input_->add(bytes); }

void PageLive::render(int frames)
{
    frames = std::clamp(frames, 0, kMaxFrames);
    if (!player_) {
        std::fill_n(left_.begin(), frames, 0.0f);
        std::fill_n(right_.begin(), frames, 0.0f);
        return;
    }
    float* outputs[2] = {left_.data(), right_.data()};
    player_->process(*input_, outputs, frames);
    input_->clear();
}

int PageLive::activeVoices() const { return player_ ? player_->activeVoices() : 0; }

int PageLive::partMode(int part) const
{
    return context_ && part >= 0 && part < kOutputPairCount ? context_->synth->getMode(part) : 0;
}

} // namespace kest::tolvane::web
