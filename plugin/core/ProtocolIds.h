// SPDX-License-Identifier: GPL-3.0-or-later
// The vocabulary the editor, the VST 3 shell and the plug-in core share: value
// ids, file-action codes, message names and attribute keys, host parameter
// numbers and the version. Every id and text here travels between the editor and
// the processor or is stored by hosts, so none may change. No SDK in here: every
// layer from the plug-in core up includes it.
#pragma once

#include "RecordFields.h"

namespace kest::tolvane::plugin::ids {

inline constexpr const char* kVersion = "23.1.6";
inline constexpr const char* kLibraryVersion = "22.12.4";

// ---- The product as hosts list it (every plug-in format names it the same) ------
inline constexpr const char* kProductName = "Tolvane Synth WT";
inline constexpr const char* kVendor = "Kestrawerk";
inline constexpr const char* kVendorUrl = "https://kestrawerk.invalid";
inline constexpr int kOutputPairCount = 16;
// Output pair n (1..16) is called kOutputNamePrefix followed by n.
inline constexpr const char* kOutputNamePrefix = "out ";
inline constexpr const char* kEventInputName = "EventInput";

// ---- Value ids ------------------------------------------------------------------
// A value id is 0xPPII: page PP, item II. The editor's controls and menus carry
// the same ids as their tags, including some the processor never receives (menu
// buttons, pop-up menus, read-only labels, the logos).

constexpr int valueId(int page, int item) { return (page << 8) | item; }
constexpr int pageOf(int id) { return (id >> 8) & 0xFF; }
constexpr int itemOf(int id) { return id & 0xFF; }
// The page of an id, still in place: id & 0xFF00.
constexpr int pageBaseOf(int id) { return id & 0xFF00; }

namespace page {
inline constexpr int kSystem = 0x00;
inline constexpr int kPart = 0x01;
inline constexpr int kTone = 0x10;
inline constexpr int kSequence = 0x11;
inline constexpr int kSequenceStep = 0x12;
inline constexpr int kSampler = 0x20;
inline constexpr int kSampleData = 0x30;
inline constexpr int kWaveTable = 0x50;
inline constexpr int kWavePoint = 0x51;
inline constexpr int kLogo = 0x80;
} // namespace page

// Items every page uses in the same way: the section's menu button, its pop-up
// menu and up to two sub-menus (a sub-menu's entry n has the id menu + n + 1).
namespace item {
inline constexpr int kMenuButton = 0x00;
inline constexpr int kPopupMenu = 0x80;
inline constexpr int kSubMenuA = 0x90;
inline constexpr int kSubMenuB = 0xA0;
} // namespace item

namespace system {
constexpr int id(int item) { return valueId(page::kSystem, item); }
inline constexpr int kMenuButton = id(item::kMenuButton);
inline constexpr int kMasterVolume = id(0x01);
inline constexpr int kMasterTune = id(0x02);
inline constexpr int kPopupMenu = id(item::kPopupMenu);
inline constexpr int kReset = id(0x81);
inline constexpr int kReceiveSysEx = id(0x83);
inline constexpr int kNrpn = id(0x84);
inline constexpr int kStoreSamples = id(0x85); // "Store samples in the project"
inline constexpr int kPolyphonyMenu = id(item::kSubMenuA);
// The editor's own zoom setting; it never travels as a value change.
inline constexpr int kZoomMenu = id(item::kSubMenuB);
} // namespace system

namespace part {
constexpr int id(int item) { return valueId(page::kPart, item); }
inline constexpr int kMenuButton = id(item::kMenuButton);
inline constexpr int kSelect = id(0x01);
inline constexpr int kMode = id(0x02);
inline constexpr int kProgram = id(0x03);
inline constexpr int kBendRange = id(0x04);
inline constexpr int kPitchBend = id(0x05);
inline constexpr int kModulation = id(0x06);
inline constexpr int kVolume = id(0x07);
inline constexpr int kPan = id(0x08);
inline constexpr int kExpression = id(0x09);
// The part's stored play (the PLAY panel): mode 0 POLY, 1 MONO, 2 LEGATO;
// portamento time 0..127; arpeggio pattern 0 off .. 5 random; octaves 1..4;
// rate 1..16 ticks; note value 0 (the rate) .. 7 (1/64); retrigger a toggle.
inline constexpr int kPlayMode = id(0x0A);
inline constexpr int kPortamentoTime = id(0x0B);
inline constexpr int kArpPattern = id(0x0C);
inline constexpr int kArpOctaves = id(0x0D);
inline constexpr int kArpRate = id(0x0E);
inline constexpr int kArpNoteValue = id(0x0F);
inline constexpr int kArpRetrigger = id(0x10);
inline constexpr int kPopupMenu = id(item::kPopupMenu);
inline constexpr int kReset = id(0x81);
inline constexpr int kResetControllers = id(0x82);
inline constexpr int kAllSoundOff = id(0x83);
inline constexpr int kOutputMenu = id(item::kSubMenuA);
} // namespace part

namespace tone {
constexpr int id(int item) { return valueId(page::kTone, item); }
// A record field's id, its item taken from the field's row in kToneFields.
consteval int fieldId(int synth::TonePreset::*member) { return id(synth::fieldOf(member).valueItem); }
inline constexpr int kMenuButton = id(item::kMenuButton);
inline constexpr int kSelect = id(0x01);
inline constexpr int kName = id(0x02);         // editor only: written straight into the record
inline constexpr int kSequencesTab = id(0x40); // editor only: shows the sequences page
inline constexpr int kStrc = fieldId(&synth::TonePreset::strc);
inline constexpr int kKey = fieldId(&synth::TonePreset::key);
inline constexpr int kPan = fieldId(&synth::TonePreset::pan);
inline constexpr int kLfoFreq = fieldId(&synth::TonePreset::lfoFreq);
inline constexpr int kLms = fieldId(&synth::TonePreset::lms);
inline constexpr int kTune = fieldId(&synth::TonePreset::tune);
inline constexpr int kWave = fieldId(&synth::TonePreset::wave);
inline constexpr int kTl = fieldId(&synth::TonePreset::tl);
inline constexpr int kAr = fieldId(&synth::TonePreset::ar);
inline constexpr int kDr = fieldId(&synth::TonePreset::dr);
inline constexpr int kSl = fieldId(&synth::TonePreset::sl);
inline constexpr int kRr = fieldId(&synth::TonePreset::rr);
inline constexpr int kKf = fieldId(&synth::TonePreset::kf);
inline constexpr int kKfStart = fieldId(&synth::TonePreset::kfStart);
inline constexpr int kPopupMenu = id(item::kPopupMenu);
inline constexpr int kReset = id(0x81);
} // namespace tone

namespace sampler {
constexpr int id(int item) { return valueId(page::kSampler, item); }
// A record field's id, its item taken from the field's row in kSamplerFields.
consteval int fieldId(int synth::SamplerPreset::*member) { return id(synth::fieldOf(member).valueItem); }
inline constexpr int kMenuButton = id(item::kMenuButton);
inline constexpr int kSelect = id(0x01);
inline constexpr int kName = id(0x02); // editor only: written straight into the record
inline constexpr int kSampleNumber = fieldId(&synth::SamplerPreset::smplNum);
inline constexpr int kPan = fieldId(&synth::SamplerPreset::pan);
inline constexpr int kOctave = fieldId(&synth::SamplerPreset::octv);
inline constexpr int kTune = fieldId(&synth::SamplerPreset::tune);
inline constexpr int kTl = fieldId(&synth::SamplerPreset::tl);
inline constexpr int kAr = fieldId(&synth::SamplerPreset::ar);
inline constexpr int kDr = fieldId(&synth::SamplerPreset::dr);
inline constexpr int kSl = fieldId(&synth::SamplerPreset::sl);
inline constexpr int kRr = fieldId(&synth::SamplerPreset::rr);
inline constexpr int kPopupMenu = id(item::kPopupMenu);
inline constexpr int kReset = id(0x81);
} // namespace sampler

// The current tone's sequences and LFO timing, and the tick rate. Every value
// on this page is plain (a step count, a tick count, -1 for no loop or release
// point), not 0..1. The sequence edited is the context's current kind.
namespace sequence {
constexpr int id(int item) { return valueId(page::kSequence, item); }
inline constexpr int kMenuButton = id(item::kMenuButton);
inline constexpr int kKind = id(0x01);    // 0 VOL, 1 ARP, 2 PITCH, 3 WAVE (synth::SequenceKind)
inline constexpr int kMode = id(0x02);    // ARP and PITCH: 0 relative, 1 fixed (absolute)
inline constexpr int kLength = id(0x03);  // 0..64 steps
inline constexpr int kLoop = id(0x04);    // -1 none, else the step the loop returns to
inline constexpr int kRelease = id(0x05); // -1 none, else the first step of the released part (up to the length)
inline constexpr int kStepTicks = id(0x06);
inline constexpr int kDelay = id(0x07);
inline constexpr int kLfoDelay = id(0x08);
inline constexpr int kLfoFade = id(0x09);
inline constexpr int kLfoDepth = id(0x0A);
inline constexpr int kTickRate = id(0x0B);        // the system's tick rate, 1..240
inline constexpr int kTickLengthLabel = id(0x0C); // read-only label
inline constexpr int kNotation = id(0x0D);        // editor only: the text is sent as steps and marks
inline constexpr int kRange = id(0x0E);           // editor only: how much of the value range the bars show
inline constexpr int kToneTab = id(0x0F);         // editor only: shows the tone page
inline constexpr int kLfoTitle = id(0x10);        // editor only: the LFO timing section's title bar
inline constexpr int kPopupMenu = id(item::kPopupMenu);
inline constexpr int kClear = id(0x81);    // the current kind's sequence, as a new tone has it
inline constexpr int kClearAll = id(0x82); // all four sequences (the LFO timing stays)
} // namespace sequence

// One step of the current tone's current sequence per id: item & 0x3F is the
// step. The value is plain, held to the kind's range; a step past the end
// lengthens the sequence, the steps between repeating its last value.
namespace sequenceStep {
inline constexpr int kIndexMask = 0x3F;
inline constexpr int kFirst = valueId(page::kSequenceStep, 0);
constexpr int id(int index) { return kFirst + index; }
constexpr int indexOf(int id) { return id & kIndexMask; }
} // namespace sequenceStep

// Sample positions and rates on this page carry plain values, not 0..1.
namespace sampleData {
constexpr int id(int item) { return valueId(page::kSampleData, item); }
inline constexpr int kMenuButton = id(item::kMenuButton);
inline constexpr int kSelect = id(0x01);
inline constexpr int kFramesLabel = id(0x02);       // read-only label
inline constexpr int kChannelCountLabel = id(0x03); // read-only label
inline constexpr int kSourceRate = id(0x04);
inline constexpr int kPitch = id(0x05);
inline constexpr int kLoopableLabel = id(0x06); // read-only label
inline constexpr int kPlaybackStart = id(0x07);
inline constexpr int kPlaybackEnd = id(0x08);
inline constexpr int kLoopStart = id(0x09);
inline constexpr int kLoopEnd = id(0x0A);
inline constexpr int kSourceLabel = id(0x0B); // read-only label: the slot's WAV file
inline constexpr int kPopupMenu = id(item::kPopupMenu);
inline constexpr int kClear = id(0x81);
} // namespace sampleData

namespace waveTable {
constexpr int id(int item) { return valueId(page::kWaveTable, item); }
inline constexpr int kMenuButton = id(item::kMenuButton);
inline constexpr int kSelect = id(0x01);
inline constexpr int kBarIndexLabel = id(0x02); // read-only label
inline constexpr int kBarValueLabel = id(0x03); // read-only label
inline constexpr int kGeneratorPeriod = id(0x10);
inline constexpr int kGeneratorLevel = id(0x11);
// The ten tool buttons, in the order of their icons.
inline constexpr int kInvert = id(0x20);
inline constexpr int kReverse = id(0x21);
inline constexpr int kRotateLeft = id(0x22);
inline constexpr int kRotateRight = id(0x23);
inline constexpr int kSine = id(0x24);
inline constexpr int kTriangle = id(0x25);
inline constexpr int kSquare = id(0x26);
inline constexpr int kSaw = id(0x27);
inline constexpr int kFlat = id(0x28);
inline constexpr int kNoise = id(0x29);
inline constexpr int kFirstTool = kInvert;
inline constexpr int kToolCount = 10;
inline constexpr int kPopupMenu = id(item::kPopupMenu);
inline constexpr int kSizeMenu = id(item::kSubMenuA);
inline constexpr int kBitDepthMenu = id(item::kSubMenuB);
} // namespace waveTable

// One point of the current wavetable per id: item & 0x7F is the point's index.
namespace wavePoint {
inline constexpr int kIndexMask = 0x7F;
inline constexpr int kFirst = valueId(page::kWavePoint, 0);
constexpr int id(int index) { return kFirst + index; }
constexpr int indexOf(int id) { return id & kIndexMask; }
} // namespace wavePoint

// The editor's two logo buttons: they open and close the about overlay.
namespace logo {
inline constexpr int kLogo = valueId(page::kLogo, 0x00);
inline constexpr int kLibraryLogo = valueId(page::kLogo, 0x01);
} // namespace logo

// ---- File actions ----------------------------------------------------------------
// "GUIEditor:tvFileSelect" carries one of these codes as its tag; the high byte
// picks the import or export, and for WAV imports the low 7 bits are the target
// sample slot.
namespace file {
inline constexpr int kSingleFileFlag = 0x1000; // a text import or export of one file
inline constexpr int kWavImportFlag = 0x2000;  // a WAV import, one file per slot
inline constexpr int kSlotMask = 0x7F;
constexpr int actionOf(int code) { return code & 0xFF00; }
constexpr int slotOf(int code) { return code & kSlotMask; }

inline constexpr int kImportToneText = 0x1100;
inline constexpr int kImportSamplerText = 0x1200;
inline constexpr int kImportSampleDataText = 0x1500;
inline constexpr int kImportWaveTableText = 0x1600;
// The three WAV imports in the order of formats::SampleSourceKind.
inline constexpr int kImportWavPcm = 0x2100;
inline constexpr int kImportWavDpcm = 0x2200;
inline constexpr int kImportWavAdpcm = 0x2300;
inline constexpr int kExportToneText = 0x9100;
inline constexpr int kExportSamplerText = 0x9200;
inline constexpr int kExportToneSysEx = 0x9300;
inline constexpr int kExportSamplerSysEx = 0x9400;
inline constexpr int kExportSampleDataText = 0x9500;
inline constexpr int kExportWaveTableText = 0x9600;
inline constexpr int kExportWaveTableSysEx = 0x9700;
} // namespace file

// ---- Messages between editor, controller and processor ---------------------------
namespace message {
inline constexpr const char* kValueChange = "GUIEditor:tvValueChange"; // editor -> processor: tag, val
inline constexpr const char* kFileSelect = "GUIEditor:tvFileSelect";   // editor -> processor: tag, path
inline constexpr const char* kEditorOpened = "GUIEditor:openGUI";      // editor -> processor
inline constexpr const char* kValueUpdate = "GUIEditor:tvValueUpdate"; // processor -> editor: tag, val
inline constexpr const char* kUiUpdate = "Processor:uiUpdate";
inline constexpr const char* kOpenGui = "Processor:openGUI";   // tvset: the context's address
inline constexpr const char* kSetState = "Processor:setState"; // tvset
inline constexpr const char* kGetState = "Processor:getState"; // tvset
} // namespace message

namespace attr {
inline constexpr const char* kTag = "tag"; // value id or file-action code
inline constexpr const char* kValue = "val";
inline constexpr const char* kPath = "path";     // zero-terminated path bytes
inline constexpr const char* kContext = "tvset"; // the EngineContext's address
} // namespace attr

// ---- Host parameters ------------------------------------------------------------
// 0x10000 | channel << 8 | item, where item is a controller number 0..127,
// 0x81 pitch bend or 0x82 program change.
namespace hostParam {
inline constexpr unsigned kMidiBase = 0x10000;
inline constexpr int kPitchBendItem = 0x81;
inline constexpr int kProgramItem = 0x82;
constexpr unsigned midi(int channel, int item)
{
    return kMidiBase | (static_cast<unsigned>(channel & 0xF) << 8) | static_cast<unsigned>(item);
}
constexpr bool isMidi(unsigned id) { return (id & ~0xFFFu) == kMidiBase; }
constexpr int channelOf(unsigned id) { return static_cast<int>((id >> 8) & 0xF); }
constexpr int itemOf(unsigned id) { return static_cast<int>(id & 0xFF); }
// Controllers 0..127, pitch bend and program change; other items are unused.
constexpr bool isMappedItem(int item) { return item < 0x80 || item == kPitchBendItem || item == kProgramItem; }
} // namespace hostParam

} // namespace kest::tolvane::plugin::ids
