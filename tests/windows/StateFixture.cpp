// SPDX-License-Identifier: GPL-3.0-or-later
// Saves a plug-in state and a .vstpreset on this machine for the Windows
// renderer to play: the factory bank with the given sound data loaded as the
// renderer loads it (a WAV import included), and part 1 switched to Sampler
// mode, so that a song's first channel plays the imported sample.
//   tolvane_state_fixture OUT.state OUT.vstpreset [sound-data options]
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "CommandLine.h"
#include "EngineContext.h"
#include "SoundDataLoader.h"
#include "StateFile.h"

using namespace kest::tolvane;

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: tolvane_state_fixture OUT.state OUT.vstpreset [sound-data options]\n");
        return 2;
    }
    const std::vector<std::string_view> args(argv + 3, argv + argc);
    tools::CommandLine line(args);
    tools::SoundDataOptions options;
    while (line.next())
        if (!tools::readSoundDataOption(line, options))
            line.fail("unknown option " + std::string(line.argument()));
    if (!line.ok()) {
        std::fprintf(stderr, "tolvane_state_fixture: %s\n", line.error().c_str());
        return 2;
    }
    plugin::EngineContext context;
    tools::LoadFailure failure;
    if (!tools::loadSoundData(context, options, failure)) {
        std::fprintf(stderr, "tolvane_state_fixture: %s: %s\n", failure.subject.c_str(), failure.message.c_str());
        return 1;
    }
    context.synth->setMode(0, synth::kModeSampler);
    for (const char* path : {argv[1], argv[2]}) {
        std::string error;
        if (!tools::saveStateFile(context, path, error)) {
            std::fprintf(stderr, "tolvane_state_fixture: %s: %s\n", path, error.c_str());
            return 1;
        }
    }
    return 0;
}
