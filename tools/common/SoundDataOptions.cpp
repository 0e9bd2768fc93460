// SPDX-License-Identifier: GPL-3.0-or-later
#include "SoundDataOptions.h"

#include "EngineContext.h"

namespace kest::tolvane::tools {

namespace {

constexpr int kMaxPolyphony = 1024;

// SLOT=PATH, optionally ending in :dpcm or :adpcm.
void readWaveImport(CommandLine& args, std::vector<WaveImportOption>& waves)
{
    const auto text = args.value();
    if (!text)
        return;
    const auto eq = text->find('=');
    const auto slot = eq == std::string::npos ? std::nullopt : parseWholeNumber(std::string_view(*text).substr(0, eq));
    if (!slot || *slot < 0 || *slot > 127 || eq + 1 >= text->size()) {
        args.fail("--wav wants SLOT=PATH[:dpcm|:adpcm] with a slot from 0 to 127, not '" + *text + "'");
        return;
    }
    WaveImportOption wave{static_cast<int>(*slot), text->substr(eq + 1), formats::SampleSourceKind::Pcm};
    if (wave.path.ends_with(":dpcm")) {
        wave.kind = formats::SampleSourceKind::Dpcm;
        wave.path.resize(wave.path.size() - 5);
    } else if (wave.path.ends_with(":adpcm")) {
        wave.kind = formats::SampleSourceKind::Adpcm;
        wave.path.resize(wave.path.size() - 6);
    }
    if (wave.path.empty()) {
        args.fail("--wav needs a file name after the slot");
        return;
    }
    waves.push_back(std::move(wave));
}

} // namespace

bool readSoundDataOption(CommandLine& args, SoundDataOptions& o)
{
    const std::string_view name = args.name();
    if (name == "--receive-sysex")
        args.flag(o.receiveSysEx);
    else if (name == "--nrpn")
        args.flag(o.nrpn);
    else if (name == "--init")
        args.flag(o.init);
    else if (name == "--polyphony")
        args.integer(1, kMaxPolyphony, o.polyphony);
    else if (name == "--state")
        args.path(o.statePath);
    else if (name == "--preset")
        args.path(o.presetPath);
    else if (name == "--tones")
        args.path(o.tonesPath);
    else if (name == "--samplers")
        args.path(o.samplersPath);
    else if (name == "--sample-params")
        args.path(o.sampleParamsPath);
    else if (name == "--wavetables")
        args.path(o.waveTablesPath);
    else if (name == "--table-size")
        args.integer(8, 128, o.tableSize);
    else if (name == "--wav")
        readWaveImport(args, o.waves);
    else
        return false;
    return true;
}

std::string checkSoundDataOptions(const SoundDataOptions& o)
{
    // Each replaces the whole state, so one would silently undo the other.
    if (!o.statePath.empty() && !o.presetPath.empty())
        return "--state and --preset each load a whole plug-in state: give one of them";
    return {};
}

std::string soundDataUsage()
{
    return "Sound data, loaded in this order before playing starts:\n"
           "  (the factory bank: 128 wavetables, 256 GM tones, part 10 in Percussion mode)\n"
           "  --init               leave the factory bank out: start from the power-on sound\n"
           "  --state FILE         a saved plug-in state\n"
           "  --preset FILE        a .vstpreset file of the plug-in\n"
           "  --table-size N       wavetable length, 8 to 128 (rounded up to a power of two)\n"
           "  --wav SLOT=PATH[:dpcm|:adpcm]\n"
           "                       WAV file into sample slot 0-127, optionally reduced (repeatable)\n"
           "  --wavetables FILE    wavetable text file\n"
           "  --tones FILE         tone preset text file\n"
           "  --samplers FILE      sampler preset text file\n"
           "  --sample-params FILE sample-data parameter text file\n"
           "\n"
           "Engine:\n"
           "  --polyphony N        number of voices, 1 to 1024 (rounded up to a power of two)\n"
           "  --receive-sysex      accept the Tolvane System Exclusive messages\n"
           "  --nrpn               obey NRPN controllers\n";
}

void applyEngineSwitches(plugin::EngineContext& context, const SoundDataOptions& options)
{
    if (options.polyphony > 0)
        context.applyPolyphony(options.polyphony);
    std::lock_guard lock(context.engineMutex());
    if (options.receiveSysEx)
        context.synth->receiveSysEx = true;
    if (options.nrpn && !context.synth->getNrpnEnabled())
        context.synth->setNrpnEnabled(true);
}

} // namespace kest::tolvane::tools
