// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the EngineContext into the controls: the section refreshes and the
// processor's value updates. Nothing here sends a message or takes a lock.
#include "EditorLogic/EditorIds.h"
#include "EditorLogic/PresetName.h"
#include "EditorLogic/ValueText.h"
#include "EditorViews.h"

#include "EngineContext.h"

#include "vstgui/lib/cframe.h"

#include <array>
#include <bit>
#include <cmath>

namespace Steinberg::Vst {

using namespace VSTGUI;
using namespace kest::tolvane::editor;
using kest::tolvane::synth::SamplerPreset;
using kest::tolvane::synth::TonePreset;

namespace {

// The slot's WAV path, followed by what the last state load found when the
// file was missing or changed (the label truncates at the head, so that stays).
std::string sampleSourceText(const kest::tolvane::plugin::EngineContext& context, int slot)
{
    const auto index = static_cast<std::size_t>(slot);
    const std::string& path = context.sampleSourcePath[index];
    const char* status = kest::tolvane::plugin::sampleSourceStatusText(context.sampleSourceStatus[index]);
    return *status == '\0' ? path : path + ": " + status;
}

struct ToneField {
    int id;
    int max;
    int TonePreset::*field;
};
constexpr std::array<ToneField, 13> kToneFields = {{
    {0x1004, 127, &TonePreset::key}, {0x1005, 127, &TonePreset::pan}, {0x1006, 16383, &TonePreset::lfoFreq},
    {0x1007, 15, &TonePreset::lms}, {0x1008, 16383, &TonePreset::tune}, {0x1009, 127, &TonePreset::wave},
    {0x100A, 127, &TonePreset::tl}, {0x100B, 127, &TonePreset::ar}, {0x100C, 127, &TonePreset::dr},
    {0x100D, 127, &TonePreset::sl}, {0x100E, 127, &TonePreset::rr}, {0x100F, 3, &TonePreset::kf},
    {0x1010, 127, &TonePreset::kfStart},
}};

struct SamplerField {
    int id;
    int max;
    int SamplerPreset::*field;
};
constexpr std::array<SamplerField, 9> kSamplerFields = {{
    {0x2003, 127, &SamplerPreset::smplNum}, {0x2004, 127, &SamplerPreset::pan}, {0x2005, 15, &SamplerPreset::octv},
    {0x2006, 16383, &SamplerPreset::tune}, {0x2007, 127, &SamplerPreset::tl}, {0x2008, 127, &SamplerPreset::ar},
    {0x2009, 127, &SamplerPreset::dr}, {0x200A, 127, &SamplerPreset::sl}, {0x200B, 127, &SamplerPreset::rr},
}};

float ratio(int value, int max) { return max > 0 ? static_cast<float>(value) / static_cast<float>(max) : 0.0f; }

// Index of a normalised menu value in a menu of `count` entries.
int menuIndexOf(float x, int count) { return static_cast<int>(x * static_cast<float>(count - 1) + 0.5f); }

int log2Of(int value) { return value > 0 ? std::bit_width(static_cast<unsigned>(value)) - 1 : 0; }

} // namespace

// ---- Small setters ------------------------------------------------------------
// Every refresh runs through these. A control is redrawn only when what it
// shows changes, so a refresh that finds nothing new draws nothing, and a
// changed control redraws its own rectangle only.

namespace {

void showNormalized(CControl* control, float value)
{
    const float before = control->getValue();
    control->setValueNormalized(value);
    if (control->getValue() != before)
        control->invalid();
}

} // namespace

void TolvaneVSTGUIEditor::setSlider(int id, float value)
{
    if (CSlider* slider = views_->slider(id))
        showNormalized(slider, value);
}

void TolvaneVSTGUIEditor::setText(int tag, const std::string& text)
{
    CTextLabel* field = views_->textOf(tag);
    // A field being typed into keeps its text until the user confirms it.
    if (field == nullptr || (frame && frame->getFocusView() == field) || field->getText() == text.c_str())
        return;
    field->setText(text.c_str());
    field->invalid();
}

void TolvaneVSTGUIEditor::setSliderAndField(int id, float value, const std::string& text)
{
    setSlider(id, value);
    setText(kTagValueText | id, text);
}

void TolvaneVSTGUIEditor::setMenuIndex(COptionMenu* menu, int index)
{
    // The shown entry, not the value: a new menu has value 0 but shows no entry.
    if (menu == nullptr || menu->getCurrentIndex() == index)
        return;
    menu->setValue(static_cast<float>(index));
    menu->invalid();
}

// ---- Section refreshes ----------------------------------------------------------

bool TolvaneVSTGUIEditor::isSamplerMode() const
{
    return context_ && context_->currentPartState && context_->currentPartState->mode == 3;
}

void TolvaneVSTGUIEditor::updateSystemSection()
{
    if (!context_ || !views_)
        return;
    const auto& synth = *context_->synth;
    setSliderAndField(0x0001, synth.masterVolume, decibelText(synth.masterVolume));
    setSliderAndField(0x0002, (synth.masterTune - 400.0f) / 80.0f, hertzText(synth.masterTune));
    setMenuIndex(views_->menu(0x0090), log2Of(synth.getPolyphony()) - 2);
    if (COptionMenu* system = views_->menu(0x0080)) {
        system->checkEntry(2, synth.receiveSysEx);
        system->checkEntry(3, synth.nrpnEnabled);
        system->checkEntry(4, context_->storeSamplesInState);
    }
}

void TolvaneVSTGUIEditor::updatePartSection()
{
    if (!context_ || !views_ || !context_->currentPartState)
        return;
    const auto& part = *context_->currentPartState;
    setMenuIndex(views_->optionMenu(0x0101), context_->currentPart);
    setMenuIndex(views_->optionMenu(0x0102), part.mode);
    setSliderAndField(0x0103, ratio(part.program, 127), std::to_string(part.program));
    setSliderAndField(0x0104, ratio(part.bendRange, 127), std::to_string(part.bendRange));
    setSliderAndField(0x0105, ratio(part.pitchBend, 16383), std::to_string(part.pitchBend - 8192));
    setSliderAndField(0x0106, ratio(part.cc[1], 127), std::to_string(part.cc[1]));
    setSliderAndField(0x0107, ratio(part.cc[7], 127), std::to_string(part.cc[7]));
    setSliderAndField(0x0108, ratio(part.cc[10], 127), std::to_string(part.cc[10] - 64));
    setSliderAndField(0x0109, ratio(part.cc[11], 127), std::to_string(part.cc[11]));
    setMenuIndex(views_->menu(0x0190), part.output);
    updatePageVisibility();
}

void TolvaneVSTGUIEditor::updatePageVisibility()
{
    if (!views_ || !context_)
        return;
    CView* show = isSamplerMode() ? views_->samplerPage : views_->tonePage;
    CView* hide = isSamplerMode() ? views_->tonePage : views_->samplerPage;
    if (!show->isVisible())
        show->setVisible(true);
    if (hide->isVisible())
        hide->setVisible(false);
}

void TolvaneVSTGUIEditor::updateTonePage()
{
    if (!context_ || !views_ || isSamplerMode() || !context_->currentTonePreset)
        return;
    const TonePreset& tone = *context_->currentTonePreset;
    setSliderAndField(0x1001, ratio(context_->currentTone, 255), toneNumberText(context_->currentTone));
    setText(kTagControl | 0x1002, presetNameText(tone.presetName));
    setMenuIndex(views_->optionMenu(0x1003), tone.strc);
    for (const ToneField& f : kToneFields)
        setSliderAndField(f.id, ratio(tone.*f.field, f.max), std::to_string(tone.*f.field));
}

void TolvaneVSTGUIEditor::updateSamplerPage()
{
    if (!context_ || !views_ || !isSamplerMode() || !context_->currentSamplerPreset)
        return;
    const SamplerPreset& preset = *context_->currentSamplerPreset;
    setSliderAndField(0x2001, ratio(context_->currentSampler, 127), std::to_string(context_->currentSampler));
    setText(kTagControl | 0x2002, presetNameText(preset.presetName));
    for (const SamplerField& f : kSamplerFields)
        setSliderAndField(f.id, ratio(preset.*f.field, f.max), std::to_string(preset.*f.field));
}

void TolvaneVSTGUIEditor::updateSampleDataSection()
{
    if (!context_ || !views_ || !isSamplerMode() || !context_->currentSampleDataRecord)
        return;
    const auto& data = *context_->currentSampleDataRecord;
    setSliderAndField(0x3001, ratio(context_->currentSampleData, 127), std::to_string(context_->currentSampleData));
    setText(kIdSampleFramesLabel, std::to_string(data.frames));
    setText(kIdChannelCountLabel, std::to_string(data.channels));
    setText(kIdLoopableLabel, loopableText(data.loopLength));
    setText(kIdSampleSourceLabel, sampleSourceText(*context_, context_->currentSampleData));
    updateSampleRateFields();
    updatePlaybackFields();
    updateLoopFields();
}

void TolvaneVSTGUIEditor::updateSampleRateFields()
{
    const auto& data = *context_->currentSampleDataRecord;
    setText(kTagControl | 0x3004, floatText(data.sourceRate));
    setText(kTagControl | 0x3005, floatText(data.pitch));
}

void TolvaneVSTGUIEditor::updatePlaybackFields()
{
    const auto& data = *context_->currentSampleDataRecord;
    setText(kTagControl | 0x3007, std::to_string(data.playBackStartPoint));
    setText(kTagControl | 0x3008, std::to_string(data.playBackEndPoint));
}

void TolvaneVSTGUIEditor::updateLoopFields()
{
    const auto& data = *context_->currentSampleDataRecord;
    setText(kTagControl | 0x3009, std::to_string(data.loopStartForDisplay()));
    setText(kTagControl | 0x300A, std::to_string(data.loopEndForDisplay()));
    setText(kIdLoopableLabel, loopableText(data.loopLength));
}

void TolvaneVSTGUIEditor::updateWaveTablePage()
{
    if (!context_ || !views_ || isSamplerMode())
        return;
    const auto& synth = *context_->synth;
    const int depth = std::clamp(context_->currentBitDepth, 1, 8);
    setSliderAndField(0x5001, ratio(context_->currentWaveTable, 127), std::to_string(context_->currentWaveTable));
    setText(kIdBarIndexLabel, "---");
    setText(kIdBarValueLabel, "---");
    WaveEdit& bars = *views_->waveEdit;
    if (synth.tableSize != bars.barCount())
        bars.setup(synth.tableSize, depth);
    setMenuIndex(views_->menu(0x50A0), depth - 1);

    showWaveSamples();
    updateWaveGenerator();
}

void TolvaneVSTGUIEditor::showWaveSamples()
{
    const int depth = std::clamp(context_->currentBitDepth, 1, 8);
    const int mask = (1 << depth) - 1;
    WaveEdit& bars = *views_->waveEdit;
    std::array<int, WaveEdit::kMaxBars> samples{};
    const int count = std::min(bars.barCount(), WaveEdit::kMaxBars);
    context_->synth->exportWaveInts(context_->currentWaveTable, samples.data(), count, depth);
    for (int i = 0; i < count; ++i) {
        CVerticalSlider* bar = bars.bar(i);
        bar->setWheelInc(1.0f / static_cast<float>(mask));
        showNormalized(bar, ratio(samples[static_cast<std::size_t>(i)], mask));
    }
}

void TolvaneVSTGUIEditor::followWaveTable()
{
    if (!context_ || !views_ || isSamplerMode() || views_->waveEdit->isDrawing())
        return;
    // SysEx, MIDI and imports write the table behind the editor's back.
    if (context_->synth->tableSize != views_->waveEdit->barCount())
        updateWaveTablePage();
    else
        showWaveSamples();
}

void TolvaneVSTGUIEditor::updateWaveGenerator()
{
    if (!context_ || !views_ || isSamplerMode())
        return;
    const int mask = std::max(context_->currentBitMask, 1);
    setMenuIndex(views_->menu(0x5090), log2Of(context_->waveTableSize) - 3);
    setSliderAndField(0x5010, ratio(context_->generatorPeriod, 256), std::to_string(context_->generatorPeriod));
    setSlider(0x5011, context_->generatorLevel);
    if (CSlider* level = views_->slider(0x5011))
        level->setWheelInc(1.0f / static_cast<float>(mask));
    setText(kTagValueText | 0x5011, generatorLevelText(mask, context_->currentBitDepth, context_->generatorLevel));
}

void TolvaneVSTGUIEditor::refreshPartPages()
{
    updatePartSection();
    updateTonePage();
    updateSamplerPage();
    updateSampleDataSection();
    updateWaveTablePage();
}

void TolvaneVSTGUIEditor::fullRefresh()
{
    if (!context_ || !views_)
        return;
    updateSystemSection();
    refreshPartPages();
    views_->aboutOverlay->setVisible(false);
}

// ---- Processor updates ------------------------------------------------------------

void TolvaneVSTGUIEditor::onValueUpdate(int tag, float x)
{
    if (!context_ || !views_)
        return;
    const int id = tag & kValueIdMask;
    if (const auto number = updatedFieldNumber(id, x)) {
        setSliderAndField(id, x, std::to_string(*number));
        if (id == 0x0103 && context_->currentPartState && context_->currentPartState->mode <= 1) {
            updateTonePage();
            updateWaveTablePage();
        }
        if (id == 0x2003)
            updateSampleDataSection();
        setPartParameter(id, x);
        return;
    }
    if (sectionOf(id) == kSectionWaveBars) {
        const int index = id & 0x7F;
        if (CVerticalSlider* bar = views_->waveEdit->bar(index)) {
            showNormalized(bar, x);
            setText(kIdBarIndexLabel, std::to_string(index));
            setText(kIdBarValueLabel, std::to_string(barValue(context_->currentBitMask, x)));
        }
        return;
    }
    switch (id) {
    case 0x0001: setSliderAndField(id, x, decibelText(x)); break;
    case 0x0002: setSliderAndField(id, x, hertzText(80.0f * x + 400.0f)); break;
    case 0x0081:
        // A system reset changes everything but leaves the window as it is.
        refreshPartPages();
        break;
    case 0x0083:
        if (COptionMenu* system = views_->menu(0x0080))
            system->checkEntry(2, x > 0.5f);
        break;
    case 0x0084:
        if (COptionMenu* system = views_->menu(0x0080))
            system->checkEntry(3, x > 0.5f);
        break;
    case 0x0085:
        if (COptionMenu* system = views_->menu(0x0080))
            system->checkEntry(4, x > 0.5f);
        break;
    case 0x0090: setMenuIndex(views_->menu(0x0090), menuIndexOf(x, 9)); break;
    case 0x0101:
        setMenuIndex(views_->optionMenu(0x0101), menuIndexOf(x, 16));
        refreshPartPages();
        break;
    case 0x0102:
        setMenuIndex(views_->optionMenu(0x0102), menuIndexOf(x, 4));
        updatePageVisibility();
        updateTonePage();
        updateSamplerPage();
        updateSampleDataSection();
        updateWaveTablePage();
        break;
    case 0x0181:
    case 0x0182: refreshPartPages(); break;
    case 0x0190: setMenuIndex(views_->menu(0x0190), menuIndexOf(x, 16)); break;
    case 0x1001:
    case 0x1081:
        updateTonePage();
        updateWaveTablePage();
        break;
    case 0x1003: setMenuIndex(views_->optionMenu(0x1003), menuIndexOf(x, 4)); break;
    case 0x2001:
    case 0x2081:
        updateSamplerPage();
        updateSampleDataSection();
        break;
    case 0x3001:
    case 0x3081: updateSampleDataSection(); break;
    case 0x3004:
    case 0x3005:
        if (isSamplerMode())
            updateSampleRateFields();
        break;
    case 0x3007:
    case 0x3008:
        if (isSamplerMode())
            updatePlaybackFields();
        break;
    case 0x3009:
    case 0x300A:
        if (isSamplerMode())
            updateLoopFields();
        break;
    case 0x5001: updateWaveTablePage(); break;
    case 0x5010: setSliderAndField(id, x, std::to_string(context_->generatorPeriod)); break;
    case 0x5011:
        setSlider(id, x);
        setText(kTagValueText | id, generatorLevelText(context_->currentBitMask, context_->currentBitDepth, x));
        break;
    case 0x5090:
        setMenuIndex(views_->menu(0x5090), menuIndexOf(x, 5));
        updateWaveTablePage();
        break;
    case 0x50A0:
        setMenuIndex(views_->menu(0x50A0), menuIndexOf(x, 8));
        updateWaveTablePage();
        break;
    default:
        if (id >= kIdWaveToolFirst && id < kIdWaveToolFirst + kWaveToolCount)
            updateWaveTablePage();
        break;
    }
}

} // namespace Steinberg::Vst
