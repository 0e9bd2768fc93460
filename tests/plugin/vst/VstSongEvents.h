// SPDX-License-Identifier: GPL-3.0-or-later
// A song's event as a VST 3 host hands it to the plug-in: notes as note
// events, System Exclusive as a data event, controllers, pitch bend and
// program changes as points of the parameter the controller maps each to.
// Shared by the render comparison and the render-time measurement.
#pragma once

#include <cstdint>
#include <vector>

#include "MidiEvent.h"
#include "MidiFile.h"
#include "VstTestSupport.h"
#include "pluginterfaces/vst/ivstmidicontrollers.h"

namespace tolvane_vst_test {

// `parameterFor(channel, controller)` gives the parameter of a MIDI
// controller number (0..127, kPitchBend, kCtrlProgramChange); `sysEx` keeps
// the bytes of the block's SysEx events alive. Channel pressure has no
// parameter in a VST 3 host and is left out.
template <typename ParameterFor>
void addSongEvent(const kest::tolvane::tools::MidiSong& song, const kest::tolvane::tools::SongEvent& e, int32 offset,
                  Block& block, MidiParameterChanges& changes, ParameterFor&& parameterFor,
                  std::vector<std::vector<std::uint8_t>>& sysEx)
{
    namespace tv = kest::tolvane;
    const auto channel = static_cast<int16>(e.channel);
    switch (e.type) {
    case tv::kNoteOn:
        block.addNoteOn(channel, static_cast<int16>(e.data1), static_cast<float>(e.data2 / 127.0), offset);
        break;
    case tv::kNoteOff: block.addNoteOff(channel, static_cast<int16>(e.data1), offset); break;
    case tv::kControlChange:
        changes.add(parameterFor(e.channel, static_cast<CtrlNumber>(e.data1)), offset, e.data2 / 127.0);
        break;
    case tv::kProgramChange: changes.add(parameterFor(e.channel, kCtrlProgramChange), offset, e.data1 / 127.0); break;
    case tv::kPitchBend:
        changes.add(parameterFor(e.channel, kPitchBend), offset, (e.data2 * 128 + e.data1) / 16383.0);
        break;
    case tv::kSystemExclusive: {
        auto& bytes = sysEx.emplace_back(1, std::uint8_t{0xF0});
        const auto payload = song.sysEx(e);
        bytes.insert(bytes.end(), payload.begin(), payload.end());
        block.addSysEx(bytes, offset);
        break;
    }
    default: break;
    }
}

} // namespace tolvane_vst_test
