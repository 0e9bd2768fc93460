// SPDX-License-Identifier: GPL-3.0-or-later
// Building the window: sections, pages, controls, pop-up menus and the overlay.
#include "CHorizontalSliderExt.h"
#include "EditorBitmaps.h"
#include "EditorLogic/ControlTable.h"
#include "EditorLogic/EditorIds.h"
#include "EditorLogic/MenuModel.h"
#include "EditorLogic/PlayPanel.h"
#include "EditorLogic/ValueText.h"
#include "EditorViews.h"
#include "RedrawingContainer.h"
#include "ValueField.h"

#include "vstgui/lib/cbitmap.h"
#include "vstgui/lib/cframe.h"
#include "vstgui/lib/controls/cbuttons.h"
#include "vstgui/lib/controls/ioptionmenulistener.h"
#include "vstgui/lib/platform/iplatformfont.h"
#include "vstgui/lib/platform/platformfactory.h"

#include <string>

namespace Steinberg::Vst {

using namespace VSTGUI;
using namespace kest::tolvane::editor;
using kest::tolvane::editor::loadBitmap;

namespace {

const CColor kTextColor(82, 58, 41, 255);
const CColor kClear(23, 23, 23, 0);
const CColor kOverlayBack(23, 23, 23, 235);
const CColor kOverlayText(127, 127, 127, 255);
// The page below the PLAY panel, darkened but still in view.
const CColor kPanelShade(23, 23, 23, 150);
// A notice on a section's title bar: the bar's brown over its line, the line's orange brightened.
const CColor kNoticeBack(92, 63, 43, 255);
const CColor kNoticeText(240, 170, 70, 255);
// The tone's number and name on the SEQUENCES bar: the bar's amber.
const CColor kToneLabelText(255, 199, 103, 255);

CRect toCRect(const Rect& r) { return CRect(r.left, r.top, r.right, r.bottom); }

void styleText(CParamDisplay* view, CFontDesc* font, CColor color = kTextColor)
{
    view->setFont(font);
    view->setFontColor(color);
    view->setBackColor(kClear);
    view->setFrameColor(kClear);
    // Nothing to fill or frame: the section's background shows through.
    view->setTransparency(true);
}

// A menu left with Escape reports its own menu and index -1; VSTGUI would then
// hand on the menu's previous value as if it had been chosen (on a section
// menu, its first command). A dismissed menu does nothing.
class DismissedMenuGuard : public OptionMenuListenerAdapter {
public:
    bool onOptionMenuSetPopupResult(COptionMenu*, COptionMenu* chosenIn, int32_t index) override
    {
        if (chosenIn == nullptr || index < 0)
            return true;
        const CMenuItem* entry = chosenIn->getEntry(index);
        return entry == nullptr || entry->isSeparator() || !entry->isEnabled() || entry->getSubmenu() != nullptr;
    }
};

void guardAgainstDismissal(COptionMenu* menu)
{
    static DismissedMenuGuard guard; // holds no state: one serves every menu
    menu->registerOptionMenuListener(&guard);
}

// The editor's Arial, or a smaller size of it where `widest` would not fit
// into `width` points whole (the library's Arial may be a wider stand-in).
SharedPointer<CFontDesc> fittingFont(const std::string& widest, double width)
{
    constexpr double kMargin = 4.0;
    auto platformString = getPlatformFactory().createString(widest.c_str());
    for (int size = 12; size > 8; --size) {
        auto font = makeOwned<CFontDesc>("Arial", size);
        const auto platformFont = font->getPlatformFont();
        if (!platformFont || !platformFont->getPainter() || !platformString ||
            platformFont->getPainter()->getStringWidth(nullptr, platformString, true) <= width - kMargin)
            return font;
    }
    return makeOwned<CFontDesc>("Arial", 8);
}

// The longest texts the two system fields show: the quietest volume step above
// silence and the highest reference pitch.
std::string widestSystemText(int id)
{
    return id == ids::system::kMasterVolume ? decibelText(1.0f / 200.0f) : hertzText(480.0f);
}

const char* const kModeEntries[] = {"0 [Mute]", "1 [Instrument]", "2 [Percussion]", "3 [Sampler]"};
const char* const kStrcEntries[] = {"0 [NO LFO]", "1 [LFO PM]", "2 [LFO AM]", "3 [NOISE-GEN]"};

} // namespace

TolvaneVSTGUIEditor::Views::~Views()
{
    for (auto& [id, menu] : menus)
        menu->forget();
}

CControl* TolvaneVSTGUIEditor::Views::control(int tag) const
{
    const auto found = controls.find(tag);
    return found == controls.end() ? nullptr : found->second;
}

CSlider* TolvaneVSTGUIEditor::Views::slider(int id) const { return dynamic_cast<CSlider*>(control(kTagControl | id)); }

CTextLabel* TolvaneVSTGUIEditor::Views::textOf(int tag) const
{
    if (auto* field = dynamic_cast<CTextLabel*>(control(tag)))
        return field;
    const auto found = labels.find(tag & kValueIdMask);
    return found == labels.end() ? nullptr : found->second;
}

COptionMenu* TolvaneVSTGUIEditor::Views::optionMenu(int id) const
{
    return dynamic_cast<COptionMenu*>(control(kTagControl | id));
}

COptionMenu* TolvaneVSTGUIEditor::Views::menu(int id) const
{
    const auto found = menus.find(id);
    return found == menus.end() ? nullptr : found->second;
}

void TolvaneVSTGUIEditor::buildWindow()
{
    delete views_;
    views_ = new Views;
    views_->font = makeOwned<CFontDesc>("Arial", 12);
    buildMenus();
    buildTopSection();

    views_->lower =
        new RedrawingContainer<CLayeredViewContainer>(CRect(0, kTopSectionHeight, kWindowWidth, kWindowHeight));
    views_->lower->setTransparency(true);
    frame->addView(views_->lower);
    buildTonePage();
    buildSamplerPage();
    buildSequencesPage();
    buildWaveTableEditor();
    buildPlayPanel();
    buildOverlay();
}

// Pop-up menus are built from the menu table; sub-menus first, so that the
// entries holding them can take them in.
void TolvaneVSTGUIEditor::buildMenus()
{
    const auto defs = menuDefs();
    for (int pass = 0; pass < 2; ++pass) {
        for (const MenuDef& def : defs) {
            const bool isSubMenu = ids::itemOf(def.id) != ids::item::kPopupMenu;
            if (isSubMenu != (pass == 0))
                continue;
            int32_t style = COptionMenu::kPopupStyle;
            if (def.style == MenuCheckStyle::MultipleCheck)
                style |= COptionMenu::kMultipleCheckStyle;
            else if (def.style == MenuCheckStyle::CheckCurrent)
                style |= COptionMenu::kCheckStyle;
            auto* menu = new COptionMenu(CRect(0, 0, 0, 0), isSubMenu ? nullptr : this, kTagControl | def.id, nullptr,
                                         nullptr, style);
            int index = 0;
            for (const MenuEntryDef& entry : def.entries) {
                if (entry.title == nullptr) {
                    menu->addSeparator();
                    continue;
                }
                CMenuItem* item = nullptr;
                if (COptionMenu* sub = entry.subMenuId ? views_->menu(entry.subMenuId) : nullptr)
                    item = menu->addEntry(sub, entry.title);
                else
                    item = menu->addEntry(entry.title);
                item->setTag(kTagControl | (def.id + index + 1));
                if (entry.disabled)
                    item->setEnabled(false);
                ++index;
            }
            if (!isSubMenu)
                guardAgainstDismissal(menu); // sub-menus report through their top menu
            views_->menus[def.id] = menu;
        }
    }
}

void TolvaneVSTGUIEditor::addRowControls(CViewContainer* container, Page page)
{
    auto knob = loadBitmap("knob0.png");
    auto menuButton = loadBitmap("menu.png");
    CFontDesc* font = views_->font;
    for (const ControlRow& row : controlRows()) {
        if (row.page != page)
            continue;
        const int tag = kTagControl | row.id;
        switch (row.kind) {
        case ControlKind::MenuButton: {
            auto* button = new CKickButton(toCRect(menuButtonRect(row)), this, tag, menuButton);
            container->addView(button);
            views_->controls[tag] = button;
            break;
        }
        case ControlKind::Slider: {
            const CRect rect = toCRect(sliderRect(row));
            auto* slider = new CHorizontalSliderExt(rect, this, tag, static_cast<int32_t>(rect.left),
                                                    static_cast<int32_t>(rect.left + 84), knob, nullptr, CPoint(0, 0),
                                                    CSlider::kHorizontal | CSlider::kLeft);
            slider->setWheelInc(1.0f / static_cast<float>(row.steps));
            container->addView(slider);
            views_->controls[tag] = slider;

            const CRect fieldRect = toCRect(valueFieldRect(row));
            auto* field = new ValueField(fieldRect, this, kTagValueText | row.id, row.initialText);
            if (ids::pageOf(row.id) == ids::page::kSystem)
                styleText(field, fittingFont(widestSystemText(row.id), fieldRect.getWidth()));
            else
                styleText(field, font);
            container->addView(field);
            views_->controls[kTagValueText | row.id] = field;
            break;
        }
        case ControlKind::OptionMenu: {
            auto* menu = new COptionMenu(toCRect(valueFieldRect(row)), this, tag);
            guardAgainstDismissal(menu);
            styleText(menu, font);
            // The sequences page fills its MODE and RANGE menus for the kind on show.
            if (row.id == ids::part::kSelect) {
                for (int part = 0; part < 16; ++part)
                    menu->addEntry(partText(part).c_str());
            } else if (row.id == ids::part::kMode || row.id == ids::tone::kStrc) {
                for (const char* entry : row.id == ids::part::kMode ? kModeEntries : kStrcEntries)
                    menu->addEntry(entry);
            } else if (row.id == ids::part::kArpPattern) {
                for (const char* entry : kArpPatternEntries)
                    menu->addEntry(entry);
            } else if (row.id == ids::part::kArpNoteValue) {
                for (const char* entry : kArpNoteValueEntries)
                    menu->addEntry(entry);
            }
            container->addView(menu);
            views_->controls[tag] = menu;
            break;
        }
        case ControlKind::NameField:
        case ControlKind::RawField:
        case ControlKind::TextField: {
            auto* field = new ValueField(toCRect(valueFieldRect(row)), this, tag, row.initialText);
            styleText(field, font);
            if (row.kind == ControlKind::TextField) {
                field->setHoriAlign(kLeftText);
                field->setTextInset(CPoint(6, 0));
            }
            container->addView(field);
            views_->controls[tag] = field;
            break;
        }
        case ControlKind::Buttons: // the PLAY panel's mode buttons, the only such row
            for (int mode = 0; mode < kPlayModeCount; ++mode) {
                const int modeTag = kTagPlayMode | mode;
                auto* button = new COnOffButton(toCRect(playModeButtonRect(mode)), this, modeTag,
                                                loadBitmap("playmode" + std::to_string(mode) + ".png"));
                container->addView(button);
                views_->controls[modeTag] = button;
                views_->playModeButtons[static_cast<std::size_t>(mode)] = button;
            }
            break;
        case ControlKind::Toggle: {
            auto* button = new COnOffButton(toCRect(valueFieldRect(row)), this, tag, loadBitmap("toggle.png"));
            container->addView(button);
            views_->controls[tag] = button;
            break;
        }
        case ControlKind::TitleBar: break; // drawn into the artwork
        case ControlKind::ReadOnly: {
            auto* label = new CTextLabel(toCRect(valueFieldRect(row)), row.initialText);
            label->setTag(row.id); // it tells nothing: the tag only names it
            styleText(label, font);
            container->addView(label);
            views_->labels[row.id] = label;
            break;
        }
        }
    }
}

void TolvaneVSTGUIEditor::buildTopSection()
{
    views_->top = new RedrawingContainer<CViewContainer>(CRect(0, 0, kWindowWidth, kTopSectionHeight));
    views_->top->setBackground(loadBitmap("bg0.png"));
    frame->addView(views_->top);

    auto logo = loadBitmap("logo.png");
    auto* logoButton = new CKickButton(CRect(0, 0, kWindowWidth, 46), this, kTagControl | ids::logo::kLogo, logo);
    views_->top->addView(logoButton);
    views_->controls[kTagControl | ids::logo::kLogo] = logoButton;
    addRowControls(views_->top, Page::Top);
}

CLayeredViewContainer* TolvaneVSTGUIEditor::makePage(const char* backgroundName)
{
    auto* page = new CLayeredViewContainer(CRect(0, 0, kWindowWidth, kPageHeight));
    page->setBackground(loadBitmap(backgroundName));
    views_->lower->addView(page);
    return page;
}

void TolvaneVSTGUIEditor::buildTonePage()
{
    views_->tonePage = makePage("bg1.png");
    addRowControls(views_->tonePage, Page::Tone);
    const int tabTag = kTagControl | ids::tone::kSequencesTab;
    auto* tab = new CKickButton(toCRect(kPageTabRect), this, tabTag, loadBitmap("tabSeq.png"));
    views_->tonePage->addView(tab);
    views_->controls[tabTag] = tab;
    views_->toneNotice = makeFileNotice(views_->tonePage);
}

// The current tone's sequences, its LFO timing and the tick clock; it takes
// the tone page's place when its tab is pressed.
void TolvaneVSTGUIEditor::buildSequencesPage()
{
    CLayeredViewContainer* page = makePage("bg3.png");
    views_->sequencesPage = page;
    addRowControls(page, Page::Sequences);
    for (int k = 0; k < 4; ++k) {
        const CRect rect(kSequenceTabX[k], kSequenceTabRow, kSequenceTabX[k] + kSequenceTabWidth,
                         kSequenceTabRow + kSequenceTabHeight);
        const int tag = kTagSequenceKind | k;
        auto* button = new COnOffButton(rect, this, tag, loadBitmap("seqtab" + std::to_string(k) + ".png"));
        page->addView(button);
        views_->controls[tag] = button;
        views_->sequenceKindButtons[static_cast<std::size_t>(k)] = button;
    }
    const int tabTag = kTagControl | ids::sequence::kToneTab;
    auto* tab = new CKickButton(toCRect(kPageTabRect), this, tabTag, loadBitmap("tabTone.png"));
    page->addView(tab);
    views_->controls[tabTag] = tab;

    auto* toneLabel = new CTextLabel(toCRect(kSequenceToneLabelRect), "");
    styleText(toneLabel, makeOwned<CFontDesc>("Arial", 11), kToneLabelText);
    toneLabel->setHoriAlign(kLeftText);
    toneLabel->setTextTruncateMode(CTextLabel::kTruncateTail);
    page->addView(toneLabel);
    views_->sequenceToneLabel = toneLabel;

    views_->sequenceEdit = new SequenceEdit(toCRect(kSequenceEditRect), this);
    page->addView(views_->sequenceEdit);
    views_->sequencesNotice = makeFileNotice(page);
    page->setVisible(false);
}

void TolvaneVSTGUIEditor::buildSamplerPage()
{
    views_->samplerPage = makePage("bg2.png");
    addRowControls(views_->samplerPage, Page::Sampler);
    // Not in the control table: it has no label in the artwork and sits on the plate.
    const int* r = kSampleSourceLabelRect;
    auto* source = new CTextLabel(CRect(r[0], r[1], r[2], r[3]), "");
    styleText(source, views_->font);
    source->setTextTruncateMode(CTextLabel::kTruncateHead);
    views_->samplerPage->addView(source);
    views_->labels[ids::sampleData::kSourceLabel] = source;
    views_->samplerNotice = makeFileNotice(views_->samplerPage);
    // The tone page shows until the first refresh says otherwise.
    views_->samplerPage->setVisible(false);
}

// Placed on a section's title bar when it is shown; the reason at the end
// stays in view when a long file name has to be cut.
CTextLabel* TolvaneVSTGUIEditor::makeFileNotice(CViewContainer* page)
{
    auto* notice = new CTextLabel(CRect(0, 0, 0, 0), "");
    styleText(notice, makeOwned<CFontDesc>("Arial", 11), kNoticeText);
    notice->setBackColor(kNoticeBack);
    notice->setTransparency(false);
    notice->setHoriAlign(kLeftText);
    notice->setTextTruncateMode(CTextLabel::kTruncateHead);
    notice->setVisible(false);
    page->addView(notice);
    return notice;
}

void TolvaneVSTGUIEditor::buildWaveTableEditor()
{
    for (int i = 0; i < ids::waveTable::kToolCount; ++i) {
        const std::string name = "wvbtn" + std::to_string(i) + ".png";
        auto icon = loadBitmap(name);
        const int tag = kTagControl | (ids::waveTable::kFirstTool + i);
        const CRect rect(kWaveToolX[i], kWaveToolRow, kWaveToolX[i] + kWaveToolWidth, kWaveToolRow + kWaveToolHeight);
        auto* button = new CKickButton(rect, this, tag, icon);
        views_->tonePage->addView(button);
        views_->controls[tag] = button;
    }
    views_->waveEdit = new WaveEdit(toCRect(kWaveEditRect), this);
    views_->tonePage->addView(views_->waveEdit);
    views_->waveEdit->setup(32, 8);
}

// The current part's stored play: a sheet over the top of the page, whose
// lower part stays in view, shaded; the top section stays live, so a part
// chosen there shows in the panel at once.
void TolvaneVSTGUIEditor::buildPlayPanel()
{
    auto* panel = new RedrawingContainer<CViewContainer>(CRect(0, kTopSectionHeight, kWindowWidth, kWindowHeight));
    panel->setBackgroundColor(kPanelShade);
    views_->playPanel = panel;

    const int shadeTag = kTagControl | playPanel::kShade;
    auto* shade = new CKickButton(CRect(0, kPlayPanelHeight, kWindowWidth, kPageHeight), this, shadeTag, nullptr);
    panel->addView(shade);
    views_->controls[shadeTag] = shade;

    auto* sheet = new CViewContainer(CRect(0, 0, kWindowWidth, kPlayPanelHeight));
    sheet->setBackground(loadBitmap("bg4.png"));
    panel->addView(sheet);
    addRowControls(sheet, Page::Play);
    const int closeTag = kTagControl | playPanel::kClose;
    auto* close = new CKickButton(toCRect(kPageTabRect), this, closeTag, loadBitmap("tabClose.png"));
    sheet->addView(close);
    views_->controls[closeTag] = close;

    auto* partLabel = new CTextLabel(toCRect(kPlayPartLabelRect), "");
    styleText(partLabel, makeOwned<CFontDesc>("Arial", 11), kToneLabelText);
    partLabel->setHoriAlign(kLeftText);
    sheet->addView(partLabel);
    views_->playPartLabel = partLabel;

    panel->setVisible(false);
    frame->addView(panel);
}

void TolvaneVSTGUIEditor::buildOverlay()
{
    auto* overlay = new RedrawingContainer<CLayeredViewContainer>(CRect(0, 0, kWindowWidth, kWindowHeight));
    overlay->setBackgroundColor(kOverlayBack);
    views_->aboutOverlay = overlay;

    auto libraryLogo = loadBitmap("libLogo.png");
    const int libraryTag = kTagControl | ids::logo::kLibraryLogo;
    auto* button = new CKickButton(CRect(134, 138, 134 + 260, 138 + 350), this, libraryTag, libraryLogo);
    overlay->addView(button);
    views_->controls[libraryTag] = button;

    auto lineFont = makeOwned<CFontDesc>("Arial", 14);
    const struct {
        int y;
        std::string text;
    } lines[] = {
        {586, std::string("VST Version : ") + ids::kVersion},
        {610, std::string("Library Version : ") + ids::kLibraryVersion},
        {646, "Tolvane Synth WT \xE2\x80\x94 made by the Tolvane developers, GPL-3.0-or-later"},
    };
    for (const auto& line : lines) {
        auto* label = new CTextLabel(CRect(61, line.y, 61 + 460, line.y + 20), line.text.c_str());
        styleText(label, lineFont, kOverlayText);
        overlay->addView(label);
    }
    frame->addView(overlay); // last, so that it lies above everything
}

} // namespace Steinberg::Vst
