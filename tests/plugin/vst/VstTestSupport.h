// SPDX-License-Identifier: GPL-3.0-or-later
// What the VST 3 shell's tests need from a host: a host context that makes
// messages, a connection point that records what it receives (and may pass it
// on), and blocks of parameter changes and events to process.
#pragma once

#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "ProtocolIds.h"
#include "pluginterfaces/vst/ivstmessage.h"
#include "public.sdk/source/vst/hosting/eventlist.h"
#include "public.sdk/source/vst/hosting/hostclasses.h"
#include "public.sdk/source/vst/hosting/parameterchanges.h"
#include "public.sdk/source/vst/hosting/processdata.h"

namespace tolvane_vst_test {

using namespace Steinberg;
using namespace Steinberg::Vst;
namespace attr = kest::tolvane::plugin::ids::attr;

struct RecordedMessage {
    std::string id;
    int64 tag = 0;
    double value = 0.0;
    bool hasContext = false;
    std::uint64_t context = 0;
};

// Records every message; forwards it to `target` when one is set, as a host's
// connection proxy does.
class RecordingConnection : public IConnectionPoint {
public:
    explicit RecordingConnection(IConnectionPoint* target = nullptr) : target_(target) {}
    virtual ~RecordingConnection() = default;

    tresult PLUGIN_API connect(IConnectionPoint*) override { return kResultOk; }
    tresult PLUGIN_API disconnect(IConnectionPoint*) override { return kResultOk; }
    tresult PLUGIN_API notify(IMessage* message) override
    {
        RecordedMessage record;
        record.id = message->getMessageID();
        if (IAttributeList* attributes = message->getAttributes()) {
            attributes->getInt(attr::kTag, record.tag);
            attributes->getFloat(attr::kValue, record.value);
            const void* data = nullptr;
            uint32 size = 0;
            if (attributes->getBinary(attr::kContext, data, size) == kResultOk && size == 8) {
                record.hasContext = true;
                std::memcpy(&record.context, data, 8);
            }
        }
        messages.push_back(record);
        return target_ ? target_->notify(message) : kResultOk;
    }

    std::vector<RecordedMessage> withId(const std::string& id) const
    {
        std::vector<RecordedMessage> found;
        for (const auto& m : messages)
            if (m.id == id)
                found.push_back(m);
        return found;
    }

    // Lives on the stack of a test; never counted.
    tresult PLUGIN_API queryInterface(const TUID, void**) override { return kNoInterface; }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

    std::vector<RecordedMessage> messages;

private:
    IConnectionPoint* target_;
};

// Sends a message from `sender`'s side, built with the host's allocator.
inline IMessage* makeMessage(HostApplication& host, const char* id)
{
    void* object = nullptr;
    TUID iid;
    std::memcpy(iid, IMessage::iid, sizeof(TUID));
    host.createInstance(iid, iid, &object);
    auto* message = static_cast<IMessage*>(object);
    message->setMessageID(id);
    return message;
}

// Parameter changes as a host delivers a MIDI stream that it maps onto
// parameters: one queue per parameter, every point kept in the order added,
// several on one offset included (the SDK's own queue keeps only the last of
// those). Lives on the stack of a test; never counted.
class MidiParameterChanges : public IParameterChanges {
public:
    class Queue : public IParamValueQueue {
    public:
        explicit Queue(ParamID id) : id_(id) {}
        virtual ~Queue() = default;
        ParamID PLUGIN_API getParameterId() override { return id_; }
        int32 PLUGIN_API getPointCount() override { return static_cast<int32>(points_.size()); }
        tresult PLUGIN_API getPoint(int32 index, int32& sampleOffset, ParamValue& value) override
        {
            if (index < 0 || index >= getPointCount())
                return kResultFalse;
            sampleOffset = points_[static_cast<std::size_t>(index)].first;
            value = points_[static_cast<std::size_t>(index)].second;
            return kResultOk;
        }
        tresult PLUGIN_API addPoint(int32 sampleOffset, ParamValue value, int32& index) override
        {
            index = getPointCount();
            points_.emplace_back(sampleOffset, value);
            return kResultOk;
        }
        tresult PLUGIN_API queryInterface(const TUID, void**) override { return kNoInterface; }
        uint32 PLUGIN_API addRef() override { return 1; }
        uint32 PLUGIN_API release() override { return 1; }

    private:
        ParamID id_;
        std::vector<std::pair<int32, ParamValue>> points_;
    };

    virtual ~MidiParameterChanges() = default;
    int32 PLUGIN_API getParameterCount() override { return static_cast<int32>(queues_.size()); }
    IParamValueQueue* PLUGIN_API getParameterData(int32 index) override
    {
        return index >= 0 && index < getParameterCount() ? &queues_[static_cast<std::size_t>(index)] : nullptr;
    }
    IParamValueQueue* PLUGIN_API addParameterData(const ParamID& id, int32& index) override
    {
        for (std::size_t i = 0; i < queues_.size(); ++i)
            if (queues_[i].getParameterId() == id) {
                index = static_cast<int32>(i);
                return &queues_[i];
            }
        index = getParameterCount();
        queues_.emplace_back(id);
        return &queues_.back();
    }
    void add(ParamID id, int32 offset, ParamValue value)
    {
        int32 index = 0;
        addParameterData(id, index)->addPoint(offset, value, index);
    }
    void clear() { queues_.clear(); }
    tresult PLUGIN_API queryInterface(const TUID, void**) override { return kNoInterface; }
    uint32 PLUGIN_API addRef() override { return 1; }
    uint32 PLUGIN_API release() override { return 1; }

private:
    std::deque<Queue> queues_; // stable addresses while queues are added
};

// One block: 16 stereo outputs (or `outputs` buses) of `samples` samples,
// parameter changes and events.
class Block {
public:
    Block(int32 samples, int32 outputs = 16)
        : channels_(static_cast<std::size_t>(outputs) * 2), buffers_(static_cast<std::size_t>(outputs)), events(1024)
    {
        const auto length = static_cast<std::size_t>(samples > 0 ? samples : 1);
        for (auto& channel : channels_)
            channel.assign(length, 7.0f); // not silent, so zeroing is visible
        for (std::size_t bus = 0; bus < buffers_.size(); ++bus) {
            pointers_.push_back(channels_[2 * bus].data());
            pointers_.push_back(channels_[2 * bus + 1].data());
        }
        for (std::size_t bus = 0; bus < buffers_.size(); ++bus) {
            buffers_[bus].numChannels = 2;
            buffers_[bus].channelBuffers32 = &pointers_[2 * bus];
        }
        params.setMaxParameters(64);
        data.numSamples = samples;
        data.numOutputs = outputs;
        data.outputs = buffers_.data();
        data.symbolicSampleSize = kSample32;
        data.inputParameterChanges = &params;
        data.inputEvents = &events;
    }

    void addParameter(ParamID id, double value, int32 offset = 0)
    {
        int32 index = 0;
        if (IParamValueQueue* queue = params.addParameterData(id, index)) {
            int32 point = 0;
            queue->addPoint(offset, value, point);
        }
    }
    void addNoteOn(int16 channel, int16 pitch, float velocity, int32 offset = 0)
    {
        Event e{};
        e.type = Event::kNoteOnEvent;
        e.sampleOffset = offset;
        e.noteOn.channel = channel;
        e.noteOn.pitch = pitch;
        e.noteOn.velocity = velocity;
        events.addEvent(e);
    }
    void addNoteOff(int16 channel, int16 pitch, int32 offset = 0)
    {
        Event e{};
        e.type = Event::kNoteOffEvent;
        e.sampleOffset = offset;
        e.noteOff.channel = channel;
        e.noteOff.pitch = pitch;
        e.noteOff.velocity = 1.0f;
        events.addEvent(e);
    }
    // `bytes` must outlive the block.
    void addSysEx(const std::vector<uint8>& bytes, int32 offset = 0)
    {
        Event e{};
        e.type = Event::kDataEvent;
        e.sampleOffset = offset;
        e.data.type = DataEvent::kMidiSysEx;
        e.data.size = static_cast<uint32>(bytes.size());
        e.data.bytes = bytes.data();
        events.addEvent(e);
    }
    void clearInput()
    {
        params.clearQueue();
        events.clear();
    }

    float sample(int bus, int side, int index) const { return channels_[2 * bus + side][index]; }
    bool anyNonZero(int bus) const
    {
        for (int side = 0; side < 2; ++side)
            for (float s : channels_[2 * bus + side])
                if (s != 0.0f)
                    return true;
        return false;
    }
    bool allEqual(float value) const
    {
        for (const auto& channel : channels_)
            for (float s : channel)
                if (s != value)
                    return false;
        return true;
    }

private:
    std::vector<std::vector<float>> channels_;
    std::vector<float*> pointers_;
    std::vector<AudioBusBuffers> buffers_;

public:
    ParameterChanges params;
    EventList events;
    ProcessData data{};
};

} // namespace tolvane_vst_test
