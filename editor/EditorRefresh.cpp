// SPDX-License-Identifier: GPL-3.0-or-later
// Reading the EngineContext into the controls: the section refreshes and the
// processor's value updates. Nothing here sends a message or takes a lock.
#include "EditorLogic/ControlTable.h"
#include "EditorLogic/EditorIds.h"
#include "EditorLogic/MenuModel.h"
#include "EditorLogic/PresetName.h"
#include "EditorLogic/SequencePage.h"
#include "EditorLogic/ValueText.h"
#include "EditorViews.h"

#include "EngineContext.h"
#include "RecordFields.h"
#include "SequenceText.h"

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

float ratio(int value, int max) { return max > 0 ? static_cast<float>(value) / static_cast<float>(max) : 0.0f; }

// Index of a normalised menu value in a menu of `count` entries.
int menuIndexOf(float x, int count) { return static_cast<int>(x * static_cast<float>(count - 1) + 0.5f); }

int log2Of(int value) { return value > 0 ? std::bit_width(static_cast<unsigned>(value)) - 1 : 0; }

} // namespace

// ---- Small setters ------------------------------------------------------------
// Every refresh runs through these. A control is redrawn only when what it
// shows changes, so a refresh that finds nothing new draws nothing, and a
// changed control redraws its own rectangle only.

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

void TolvaneVSTGUIEditor::showPlain(int id, int value)
{
    if (const ControlRow* row = findControlRow(id))
        setSliderAndField(id, sliderOfPlain(*row, value), std::to_string(value));
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
    setSliderAndField(ids::system::kMasterVolume, synth.masterVolume, decibelText(synth.masterVolume));
    setSliderAndField(ids::system::kMasterTune, (synth.masterTune - 400.0f) / 80.0f, hertzText(synth.masterTune));
    setMenuIndex(views_->menu(ids::system::kPolyphonyMenu), log2Of(synth.getPolyphony()) - 2);
    if (COptionMenu* system = views_->menu(ids::system::kPopupMenu)) {
        system->checkEntry(2, synth.receiveSysEx);
        system->checkEntry(3, synth.nrpnEnabled);
        system->checkEntry(4, context_->storeSamplesInState);
        if (CMenuItem* voices = system->getEntry(system->getNbEntries() - 1))
            voices->setTitle(voicesNote(synth.getPolyphony()).c_str());
    }
}

void TolvaneVSTGUIEditor::updatePartSection()
{
    if (!context_ || !views_ || !context_->currentPartState)
        return;
    const auto& part = *context_->currentPartState;
    setMenuIndex(views_->optionMenu(ids::part::kSelect), context_->currentPart);
    setMenuIndex(views_->optionMenu(ids::part::kMode), part.mode);
    setSliderAndField(ids::part::kProgram, ratio(part.program, 127), std::to_string(part.program));
    setSliderAndField(ids::part::kBendRange, ratio(part.bendRange, 127), std::to_string(part.bendRange));
    setSliderAndField(ids::part::kPitchBend, ratio(part.pitchBend, 16383), std::to_string(part.pitchBend - 8192));
    setSliderAndField(ids::part::kModulation, ratio(part.cc[1], 127), std::to_string(part.cc[1]));
    setSliderAndField(ids::part::kVolume, ratio(part.cc[7], 127), std::to_string(part.cc[7]));
    setSliderAndField(ids::part::kPan, ratio(part.cc[10], 127), std::to_string(part.cc[10] - 64));
    setSliderAndField(ids::part::kExpression, ratio(part.cc[11], 127), std::to_string(part.cc[11]));
    setMenuIndex(views_->menu(ids::part::kOutputMenu), part.output);
    updatePageVisibility();
    updatePlayPanel();
}

void TolvaneVSTGUIEditor::updatePageVisibility()
{
    if (!views_ || !context_)
        return;
    CView* show = isSamplerMode() ? views_->samplerPage : sequencesShown_ ? views_->sequencesPage : views_->tonePage;
    for (CView* page : {static_cast<CView*>(views_->tonePage), static_cast<CView*>(views_->samplerPage),
                        static_cast<CView*>(views_->sequencesPage)})
        if (page->isVisible() != (page == show))
            page->setVisible(page == show);
}

// The tone page (with the wave editor) and the sequences page share a place:
// only the one on show follows the engine, and the other catches up when shown.
void TolvaneVSTGUIEditor::updateTonePage()
{
    if (!context_ || !views_ || isSamplerMode() || sequencesShown_ || !context_->currentTonePreset)
        return;
    const TonePreset& tone = *context_->currentTonePreset;
    shownTone_ = context_->currentTone;
    setSliderAndField(ids::tone::kSelect, ratio(context_->currentTone, 255), toneNumberText(context_->currentTone));
    setText(kTagControl | ids::tone::kName, presetNameText(tone.presetName));
    setMenuIndex(views_->optionMenu(ids::tone::kStrc), tone.strc);
    for (const auto& field : kest::tolvane::synth::kToneFields)
        if (field.member != &TonePreset::strc) // a menu, set above
            setSliderAndField(ids::tone::id(field.valueItem), ratio(tone.*field.member, field.mask),
                              std::to_string(tone.*field.member));
}

// ---- Sequences page ---------------------------------------------------------------

void TolvaneVSTGUIEditor::updateSequencesPage()
{
    if (!context_ || !views_ || isSamplerMode() || !sequencesShown_)
        return;
    using kest::tolvane::synth::SequenceKind;
    const auto& synth = *context_->synth;
    const int tone = context_->currentTone;
    shownTone_ = tone;
    const int kind = std::clamp(context_->currentSequenceKind, 0, 3);
    const auto& expression = synth.toneExpression(tone);
    const auto& sequence = expression.sequence(static_cast<SequenceKind>(kind));

    for (int k = 0; k < 4; ++k)
        showNormalized(views_->sequenceKindButtons[static_cast<std::size_t>(k)], k == kind ? 1.0f : 0.0f);
    if (CTextLabel* label = views_->sequenceToneLabel) {
        const std::string text = sequenceToneText(tone, context_->synth->tone(tone).presetName);
        if (label->getText() != text.c_str()) {
            label->setText(text.c_str());
            label->invalid();
        }
    }
    updateSequenceModeAndRange(kind, sequence);
    showPlain(ids::sequence::kLength, sequence.length);
    showPlain(ids::sequence::kStepTicks, sequence.stepTicks);
    showPlain(ids::sequence::kDelay, sequence.delay);
    showPlain(ids::sequence::kLfoDelay, expression.lfo.delay);
    showPlain(ids::sequence::kLfoFade, expression.lfo.fade);
    showPlain(ids::sequence::kLfoDepth, expression.lfo.depth);
    showPlain(ids::sequence::kTickRate, synth.getTickRate());
    setText(ids::sequence::kTickLengthLabel, tickLengthText(synth.wholeSampleRate(), synth.getTickRate()));
    setText(kTagControl | ids::sequence::kNotation, kest::tolvane::formats::sequenceText(sequence));

    const auto spans = displaySpans(static_cast<SequenceKind>(kind), sequence.mode);
    SequenceEdit::Shown shown;
    shown.sequence = sequence;
    shown.span = spans[static_cast<std::size_t>(std::clamp(rangeChoice_, 0, static_cast<int>(spans.size()) - 1))];
    shown.visible = visibleSteps(sequence.length);
    shown.neutral = kind == static_cast<int>(SequenceKind::Volume) ? kest::tolvane::synth::kMaxVolumeStep : 0;
    views_->sequenceEdit->show(shown);
    updatePlayhead();
}

// The MODE menu holds the kind's two meanings (none for VOL and WAVE); the
// RANGE menu the spans the bars may show, never one that hides a step.
void TolvaneVSTGUIEditor::updateSequenceModeAndRange(int kind, const kest::tolvane::synth::ToneSequence& sequence)
{
    const auto kindOf = static_cast<kest::tolvane::synth::SequenceKind>(kind);
    COptionMenu* mode = views_->optionMenu(ids::sequence::kMode);
    COptionMenu* range = views_->optionMenu(ids::sequence::kRange);
    const int key = (shownTone_ * 4 + kind) * 2 + sequence.mode;
    if (kind != modeMenuKind_ || key != rangeKey_) {
        mode->removeAllEntry();
        for (const char* entry : modeEntries(kindOf))
            mode->addEntry(entry);
        mode->setMouseEnabled(mode->getNbEntries() > 0);
        range->removeAllEntry();
        for (const ValueSpan& span : displaySpans(kindOf, sequence.mode))
            range->addEntry(spanText(span).c_str());
        modeMenuKind_ = kind;
        if (key != rangeKey_)
            rangeChoice_ = 0;
        rangeKey_ = key;
        mode->invalid();
        range->invalid();
    }
    rangeChoice_ = std::max(rangeChoice_, fittingSpan(kindOf, sequence));
    if (mode->getNbEntries() > 0)
        setMenuIndex(mode, sequence.mode);
    setMenuIndex(range, rangeChoice_);
}

void TolvaneVSTGUIEditor::updatePlayhead()
{
    if (!context_ || !views_ || isSamplerMode() || !sequencesShown_)
        return;
    const EngineContext::Playhead playhead = context_->playhead();
    const int kind = std::clamp(context_->currentSequenceKind, 0, 3);
    const bool ours = playhead.sounding && playhead.tone == context_->currentTone;
    views_->sequenceEdit->showPlayhead(ours ? playhead.steps[static_cast<std::size_t>(kind)] : -1);
}

void TolvaneVSTGUIEditor::updateSamplerPage()
{
    if (!context_ || !views_ || !isSamplerMode() || !context_->currentSamplerPreset)
        return;
    const SamplerPreset& preset = *context_->currentSamplerPreset;
    setSliderAndField(ids::sampler::kSelect, ratio(context_->currentSampler, 127),
                      std::to_string(context_->currentSampler));
    setText(kTagControl | ids::sampler::kName, presetNameText(preset.presetName));
    for (const auto& field : kest::tolvane::synth::kSamplerFields)
        setSliderAndField(ids::sampler::id(field.valueItem), ratio(preset.*field.member, field.mask),
                          std::to_string(preset.*field.member));
}

void TolvaneVSTGUIEditor::updateSampleDataSection()
{
    if (!context_ || !views_ || !isSamplerMode() || !context_->currentSampleDataRecord)
        return;
    const auto& data = *context_->currentSampleDataRecord;
    setSliderAndField(ids::sampleData::kSelect, ratio(context_->currentSampleData, 127),
                      std::to_string(context_->currentSampleData));
    setText(ids::sampleData::kFramesLabel, std::to_string(data.frames));
    setText(ids::sampleData::kChannelCountLabel, std::to_string(data.channels));
    setText(ids::sampleData::kLoopableLabel, loopableText(data.loopLength));
    setText(ids::sampleData::kSourceLabel, sampleSourceText(*context_, context_->currentSampleData));
    updateSampleRateFields();
    updatePlaybackFields();
    updateLoopFields();
}

void TolvaneVSTGUIEditor::updateSampleRateFields()
{
    const auto& data = *context_->currentSampleDataRecord;
    setText(kTagControl | ids::sampleData::kSourceRate, hertzText(data.sourceRate));
    setText(kTagControl | ids::sampleData::kPitch, hertzText(data.pitch));
}

void TolvaneVSTGUIEditor::updatePlaybackFields()
{
    const auto& data = *context_->currentSampleDataRecord;
    setText(kTagControl | ids::sampleData::kPlaybackStart, std::to_string(data.playBackStartPoint));
    setText(kTagControl | ids::sampleData::kPlaybackEnd, std::to_string(data.playBackEndPoint));
}

void TolvaneVSTGUIEditor::updateLoopFields()
{
    const auto& data = *context_->currentSampleDataRecord;
    setText(kTagControl | ids::sampleData::kLoopStart, std::to_string(data.loopStartForDisplay()));
    setText(kTagControl | ids::sampleData::kLoopEnd, std::to_string(data.loopEndForDisplay()));
    setText(ids::sampleData::kLoopableLabel, loopableText(data.loopLength));
}

void TolvaneVSTGUIEditor::updateWaveTablePage()
{
    if (!context_ || !views_ || isSamplerMode() || sequencesShown_)
        return;
    const auto& synth = *context_->synth;
    const int depth = std::clamp(context_->currentBitDepth, 1, 8);
    shownWaveTable_ = context_->currentWaveTable;
    setSliderAndField(ids::waveTable::kSelect, ratio(context_->currentWaveTable, 127),
                      std::to_string(context_->currentWaveTable));
    setText(ids::waveTable::kBarIndexLabel, "---");
    setText(ids::waveTable::kBarValueLabel, "---");
    WaveEdit& bars = *views_->waveEdit;
    if (synth.tableSize != bars.barCount())
        bars.setup(synth.tableSize, depth);
    setMenuIndex(views_->menu(ids::waveTable::kBitDepthMenu), depth - 1);

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
    if (!context_ || !views_ || isSamplerMode() || sequencesShown_ || views_->waveEdit->isDrawing())
        return;
    // SysEx, MIDI and imports write the table behind the editor's back, and
    // the tone on show follows the part with its wavetable.
    if (context_->synth->tableSize != views_->waveEdit->barCount() || context_->currentWaveTable != shownWaveTable_)
        updateWaveTablePage();
    else
        showWaveSamples();
}

void TolvaneVSTGUIEditor::updateWaveGenerator()
{
    if (!context_ || !views_ || isSamplerMode() || sequencesShown_)
        return;
    const int mask = std::max(context_->currentBitMask, 1);
    setMenuIndex(views_->menu(ids::waveTable::kSizeMenu), log2Of(context_->waveTableSize) - 3);
    setSliderAndField(ids::waveTable::kGeneratorPeriod, ratio(context_->generatorPeriod, 256),
                      std::to_string(context_->generatorPeriod));
    setSlider(ids::waveTable::kGeneratorLevel, context_->generatorLevel);
    if (CSlider* level = views_->slider(ids::waveTable::kGeneratorLevel))
        level->setWheelInc(1.0f / static_cast<float>(mask));
    setText(kTagValueText | ids::waveTable::kGeneratorLevel,
            generatorLevelText(mask, context_->currentBitDepth, context_->generatorLevel));
}

void TolvaneVSTGUIEditor::refreshPartPages()
{
    updatePartSection();
    updateTonePage();
    updateSequencesPage();
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
    updateFileNotice();
    views_->aboutOverlay->setVisible(false);
}

// ---- Refused imports ------------------------------------------------------------

void TolvaneVSTGUIEditor::updateFileNotice()
{
    if (!context_ || !views_)
        return;
    const auto now = std::chrono::steady_clock::now();
    const EngineContext::FileNotice& notice = context_->fileNotice;
    if (notice.serial == fileNoticeSerial_) {
        if (now >= fileNoticeUntil_)
            hideFileNotice();
        return;
    }
    fileNoticeSerial_ = notice.serial;
    const auto place = noticePlace(notice.action);
    if (!place)
        return;
    showNotice(place->page == Page::Sampler ? views_->samplerNotice : views_->toneNotice, place->rect, notice.text);
}

void TolvaneVSTGUIEditor::showNotice(CTextLabel* label, const Rect& place, const std::string& text)
{
    hideFileNotice();
    label->setViewSize(CRect(place.left, place.top, place.right, place.bottom));
    label->setText(text.c_str());
    label->setVisible(true);
    label->invalid();
    fileNoticeUntil_ = std::chrono::steady_clock::now() + kFileNoticeTime;
}

void TolvaneVSTGUIEditor::hideFileNotice()
{
    if (!views_)
        return;
    for (CTextLabel* label : {views_->toneNotice, views_->samplerNotice, views_->sequencesNotice})
        if (label->isVisible()) {
            label->setVisible(false);
            label->invalid();
        }
}

std::string TolvaneVSTGUIEditor::fileNoticeText() const
{
    if (!views_)
        return {};
    for (const CTextLabel* label : {views_->toneNotice, views_->samplerNotice, views_->sequencesNotice})
        if (label->isVisible())
            return label->getText().getString();
    return {};
}

// ---- Processor updates ------------------------------------------------------------

void TolvaneVSTGUIEditor::onValueUpdate(int tag, float x)
{
    if (!context_ || !views_)
        return;
    const int id = tag & kValueIdMask;
    if (const auto number = updatedFieldNumber(id, x)) {
        setSliderAndField(id, x, std::to_string(*number));
        if (id == ids::part::kProgram) {
            updateTonePage();
            updateSequencesPage();
            updateWaveTablePage();
        }
        if (id == ids::sampler::kSampleNumber)
            updateSampleDataSection();
        setPartParameter(id, x);
        return;
    }
    if (ids::pageOf(id) == ids::page::kSequence || ids::pageOf(id) == ids::page::kSequenceStep) {
        updateSequencesPage();
        return;
    }
    if (ids::pageOf(id) == ids::page::kWavePoint) {
        const int index = ids::wavePoint::indexOf(id);
        if (CVerticalSlider* bar = views_->waveEdit->bar(index)) {
            showNormalized(bar, x);
            setText(ids::waveTable::kBarIndexLabel, std::to_string(index));
            setText(ids::waveTable::kBarValueLabel, std::to_string(barValue(context_->currentBitMask, x)));
        }
        return;
    }
    switch (id) {
    case ids::system::kMasterVolume: setSliderAndField(id, x, decibelText(x)); break;
    case ids::system::kMasterTune: setSliderAndField(id, x, hertzText(80.0f * x + 400.0f)); break;
    case ids::system::kReset:
        // A system reset changes everything but leaves the window as it is.
        refreshPartPages();
        break;
    case ids::system::kReceiveSysEx:
        if (COptionMenu* system = views_->menu(ids::system::kPopupMenu))
            system->checkEntry(2, x > 0.5f);
        break;
    case ids::system::kNrpn:
        if (COptionMenu* system = views_->menu(ids::system::kPopupMenu))
            system->checkEntry(3, x > 0.5f);
        break;
    case ids::system::kStoreSamples:
        if (COptionMenu* system = views_->menu(ids::system::kPopupMenu))
            system->checkEntry(4, x > 0.5f);
        break;
    case ids::system::kPolyphonyMenu: setMenuIndex(views_->menu(ids::system::kPolyphonyMenu), menuIndexOf(x, 9)); break;
    case ids::part::kSelect:
        setMenuIndex(views_->optionMenu(ids::part::kSelect), menuIndexOf(x, 16));
        refreshPartPages();
        break;
    case ids::part::kMode:
        setMenuIndex(views_->optionMenu(ids::part::kMode), menuIndexOf(x, 4));
        updatePageVisibility();
        updateTonePage();
        updateSequencesPage();
        updateSamplerPage();
        updateSampleDataSection();
        updateWaveTablePage();
        break;
    case ids::part::kReset:
    case ids::part::kResetControllers: refreshPartPages(); break;
    case ids::part::kOutputMenu: setMenuIndex(views_->menu(ids::part::kOutputMenu), menuIndexOf(x, 16)); break;
    case ids::part::kPlayMode:
    case ids::part::kPortamentoTime:
    case ids::part::kArpPattern:
    case ids::part::kArpOctaves:
    case ids::part::kArpRate:
    case ids::part::kArpNoteValue:
    case ids::part::kArpRetrigger: updatePlayPanel(); break;
    case ids::tone::kSelect:
    case ids::tone::kReset:
        updateTonePage();
        updateSequencesPage();
        updateWaveTablePage();
        break;
    case ids::tone::kStrc: setMenuIndex(views_->optionMenu(ids::tone::kStrc), menuIndexOf(x, 4)); break;
    case ids::sampler::kSelect:
    case ids::sampler::kReset:
        updateSamplerPage();
        updateSampleDataSection();
        break;
    case ids::sampleData::kSelect:
    case ids::sampleData::kClear: updateSampleDataSection(); break;
    case ids::sampleData::kSourceRate:
    case ids::sampleData::kPitch:
        if (isSamplerMode())
            updateSampleRateFields();
        break;
    case ids::sampleData::kPlaybackStart:
    case ids::sampleData::kPlaybackEnd:
        if (isSamplerMode())
            updatePlaybackFields();
        break;
    case ids::sampleData::kLoopStart:
    case ids::sampleData::kLoopEnd:
        if (isSamplerMode())
            updateLoopFields();
        break;
    case ids::waveTable::kSelect: updateWaveTablePage(); break;
    case ids::waveTable::kGeneratorPeriod: setSliderAndField(id, x, std::to_string(context_->generatorPeriod)); break;
    case ids::waveTable::kGeneratorLevel:
        setSlider(id, x);
        setText(kTagValueText | id, generatorLevelText(context_->currentBitMask, context_->currentBitDepth, x));
        break;
    case ids::waveTable::kSizeMenu:
        setMenuIndex(views_->menu(ids::waveTable::kSizeMenu), menuIndexOf(x, 5));
        updateWaveTablePage();
        break;
    case ids::waveTable::kBitDepthMenu:
        setMenuIndex(views_->menu(ids::waveTable::kBitDepthMenu), menuIndexOf(x, 8));
        updateWaveTablePage();
        break;
    default:
        if (id >= ids::waveTable::kFirstTool && id < ids::waveTable::kFirstTool + ids::waveTable::kToolCount)
            updateWaveTablePage();
        break;
    }
}

} // namespace Steinberg::Vst
