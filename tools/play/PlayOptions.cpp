// SPDX-License-Identifier: GPL-3.0-or-later
#include "PlayOptions.h"

namespace kest::tolvane::tools {

namespace {

// JACK's own limit on client names (jack_client_name_size() less the terminator).
constexpr std::size_t kMaxClientName = 63;

void readOption(CommandLine& args, PlayOptions& o)
{
    const std::string_view name = args.name();
    if (name == "-h" || name == "--help")
        args.flag(o.help);
    else if (name == "--multi")
        args.flag(o.multi);
    else if (name == "--connect")
        args.flag(o.connect);
    else if (name == "--quiet" || name == "-q")
        args.flag(o.quiet);
    else if (name == "--save-state")
        args.path(o.saveStatePath);
    else if (name == "--tempo") {
        if (auto v = args.number(1.0, 999.0))
            o.tempo = *v;
    } else if (name == "--name") {
        if (auto v = args.value()) {
            if (v->empty() || v->size() > kMaxClientName || v->find(':') != std::string::npos)
                args.fail("--name wants a client name of 1 to " + std::to_string(kMaxClientName) +
                          " characters without ':'");
            else
                o.clientName = *v;
        }
    } else if (!readSoundDataOption(args, o)) {
        args.fail("unknown option '" + std::string(args.argument()) + "'");
    }
}

} // namespace

PlayOptionsResult parsePlayOptions(std::span<const std::string_view> args)
{
    PlayOptionsResult result;
    CommandLine line(args);
    while (line.next()) {
        if (line.isOption())
            readOption(line, result.options);
        else
            line.fail("tolvane-play takes no file names ('" + std::string(line.argument()) +
                      "'); sound data comes with options");
    }
    result.error = line.error();
    if (result.ok())
        result.error = checkSoundDataOptions(result.options);
    return result;
}

std::string playUsageText()
{
    return "Usage: tolvane-play [options]\n"
           "Plays the Tolvane Synth WT engine live as a JACK client: MIDI into midi_in, sound\n"
           "out of out_L and out_R. Runs until Ctrl-C (or SIGTERM).\n"
           "\n"
           "Options:\n"
           "  --name NAME          JACK client name (default tolvane-play)\n"
           "  --multi              32 outputs out_1_L .. out_16_R, one pair per engine output,\n"
           "                       instead of out_L/out_R carrying the sum of all 16\n"
           "  --connect            connect the outputs to the first physical playback ports and\n"
           "                       every physical MIDI capture port to midi_in\n"
           "  --tempo BPM          the tempo arpeggios on note values follow, 1 to 999 (default 120)\n"
           "  --save-state FILE    write the plug-in's state on exit: FILE.vstpreset opens in the\n"
           "                       plug-in (a host's preset browser), any other name is read\n"
           "                       here again with --state\n"
           "  -q, --quiet          no status line and no summary\n"
           "  -h, --help           this text\n"
           "\n" +
           soundDataUsage() +
           "\n"
           "The sample rate and period size are the JACK server's. JACK_DEFAULT_SERVER picks the\n"
           "server; under PipeWire start it as: pw-jack tolvane-play\n"
           "\n"
           "Exit status: 0 done, 1 unreadable sound data, no server or the server went away,\n"
           "2 bad command line.\n";
}

} // namespace kest::tolvane::tools
