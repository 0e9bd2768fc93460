// SPDX-License-Identifier: GPL-3.0-or-later
// Draws the editor's bitmaps (a warm walnut-and-cream hardware panel) into a
// folder. The labels come from the editor's own control table, so they always
// sit on the grid the editor builds its controls on.
//
// Regenerate resource/*.png:
//   ninja -C <build> tolvane_artwork && <build>/editor/tolvane_artwork resource
#include "EditorLogic/ControlTable.h"
#include "EditorLogic/EditorIds.h"
#include "EditorLogic/PlayPanel.h"

#include <cairo.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

using namespace kest::tolvane::editor;

namespace {

struct Rgb {
    double r, g, b;
};

constexpr Rgb hex(unsigned v) { return {((v >> 16) & 0xFF) / 255.0, ((v >> 8) & 0xFF) / 255.0, (v & 0xFF) / 255.0}; }

// One palette for every bitmap.
constexpr Rgb kPanelTop = hex(0xEDE3CF);
constexpr Rgb kPanelBottom = hex(0xE0D2B6);
constexpr Rgb kWalnut = hex(0x4A3222);
constexpr Rgb kWalnutDark = hex(0x2E1F15);
constexpr Rgb kWalnutLight = hex(0x6E4D35);
constexpr Rgb kCream = hex(0xF5EBD7);
constexpr Rgb kLabel = hex(0x523A29); // the controls' text colour (82, 58, 41)
constexpr Rgb kWell = hex(0xFBF6EA);
constexpr Rgb kWellEdge = hex(0xB49C78);
constexpr Rgb kAmber = hex(0xE99A2C);
constexpr Rgb kAmberLight = hex(0xFFC767);
constexpr Rgb kDisplay = hex(0x1D1915);
constexpr Rgb kGroove = hex(0x7A5C43);

const char* const kSans = "DejaVu Sans";
const char* const kSansCondensed = "DejaVu Sans Condensed";

void setColor(cairo_t* cr, Rgb c, double alpha = 1.0) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void fillRect(cairo_t* cr, double x, double y, double w, double h, Rgb c, double alpha = 1.0)
{
    setColor(cr, c, alpha);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
}

void roundedRect(cairo_t* cr, double x, double y, double w, double h, double r)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -M_PI / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, M_PI / 2);
    cairo_arc(cr, x + r, y + h - r, r, M_PI / 2, M_PI);
    cairo_arc(cr, x + r, y + r, r, M_PI, 3 * M_PI / 2);
    cairo_close_path(cr);
}

void verticalGradient(cairo_t* cr, double x, double y, double w, double h, Rgb top, Rgb bottom)
{
    cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + h);
    cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
    cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
    cairo_set_source(cr, p);
    cairo_rectangle(cr, x, y, w, h);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

enum class Align { Left, Center, Right };

void text(cairo_t* cr, const std::string& s, double x, double baseline, double size, Rgb c, bool bold = true,
          Align align = Align::Left, const char* family = kSans, double alpha = 1.0)
{
    cairo_select_font_face(cr, family, CAIRO_FONT_SLANT_NORMAL,
                           bold ? CAIRO_FONT_WEIGHT_BOLD : CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_text_extents_t e;
    cairo_text_extents(cr, s.c_str(), &e);
    double left = x;
    if (align == Align::Center)
        left = x - e.x_advance / 2;
    else if (align == Align::Right)
        left = x - e.x_advance;
    setColor(cr, c, alpha);
    cairo_move_to(cr, std::round(left), baseline);
    cairo_show_text(cr, s.c_str());
}

bool writePng(cairo_surface_t* surface, const std::string& folder, const char* name)
{
    const std::string path = folder + "/" + name;
    const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.c_str());
    return ok;
}

// Creates a w x h image at `scale` pixels per point, lets `draw` paint it in
// points and writes it.
bool makeBitmapAtScale(const std::string& folder, const std::string& name, int w, int h, int scale,
                       const std::function<void(cairo_t*)>& draw)
{
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w * scale, h * scale);
    cairo_t* cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
    draw(cr);
    cairo_destroy(cr);
    const bool ok = writePng(surface, folder, name.c_str());
    cairo_surface_destroy(surface);
    return ok;
}

// Every bitmap twice: "name.png" for 100 % and "name@2x.png" with twice the
// pixels, which the editor draws from at zoom factors above 1.
bool makeBitmap(const std::string& folder, const char* name, int w, int h, const std::function<void(cairo_t*)>& draw)
{
    const std::string base(name);
    const std::string doubled = base.substr(0, base.size() - 4) + "@2x.png";
    return makeBitmapAtScale(folder, base, w, h, 1, draw) && makeBitmapAtScale(folder, doubled, w, h, 2, draw);
}

// ---- Panel pieces -------------------------------------------------------------

void panel(cairo_t* cr, int w, int h)
{
    verticalGradient(cr, 0, 0, w, h, kPanelTop, kPanelBottom);
    // A faint brushed texture: thin horizontal lines.
    for (int y = 0; y < h; y += 3)
        fillRect(cr, 0, y, w, 1, hex(0xFFFFFF), 0.06);
    // Side cheeks of dark walnut, like a hardware module's frame.
    fillRect(cr, 0, 0, 3, h, kWalnut);
    fillRect(cr, w - 3, 0, 3, h, kWalnut);
}

void screw(cairo_t* cr, double cx, double cy)
{
    cairo_arc(cr, cx, cy, 4, 0, 2 * M_PI);
    setColor(cr, hex(0xB8A586));
    cairo_fill_preserve(cr);
    setColor(cr, kWalnutLight);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    cairo_move_to(cr, cx - 2.5, cy - 2.5);
    cairo_line_to(cr, cx + 2.5, cy + 2.5);
    setColor(cr, kWalnutLight);
    cairo_stroke(cr);
}

// Section title bar: the menu button sits at its left end (x 8..36), the
// title after it (or at the left end when the section has no menu), then an
// amber line up to `lineEnd` (none when that lies before the title's end).
void titleBar(cairo_t* cr, int y, const char* title, double titleX = 44, double lineEnd = kWindowWidth - 16)
{
    verticalGradient(cr, 3, y, kWindowWidth - 6, 22, kWalnutLight, kWalnut);
    fillRect(cr, 3, y + 21, kWindowWidth - 6, 1, kWalnutDark);
    fillRect(cr, 3, y, kWindowWidth - 6, 1, hex(0x8A6A4E));
    text(cr, title, titleX, y + 15.5, 11, kCream, true, Align::Left, kSans);
    // Amber accent after the title text.
    cairo_select_font_face(cr, kSans, CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_BOLD);
    cairo_set_font_size(cr, 11);
    cairo_text_extents_t e;
    cairo_text_extents(cr, title, &e);
    const double start = titleX + e.x_advance + 10;
    if (lineEnd > start)
        fillRect(cr, start, y + 10, lineEnd - start, 2, kAmber, 0.85);
}

void well(cairo_t* cr, const Rect& r)
{
    roundedRect(cr, r.left + 0.5, r.top + 0.5, r.width() - 1, r.height() - 1, 3);
    setColor(cr, kWell);
    cairo_fill_preserve(cr);
    setColor(cr, kWellEdge);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    fillRect(cr, r.left + 2, r.top + 1, r.width() - 4, 1, hex(0x000000), 0.08); // inset shadow
}

void sliderTrack(cairo_t* cr, const Rect& r)
{
    // The knob travels over the first 84 pixels; its centre over 5..89.
    const double y = r.top + r.height() / 2.0;
    roundedRect(cr, r.left + 3, y - 2.5, 88, 5, 2.5);
    setColor(cr, kGroove);
    cairo_fill(cr);
    fillRect(cr, r.left + 4, y + 2, 86, 1, hex(0xFFFFFF), 0.5);
    for (int i = 0; i <= 8; ++i) {
        const double x = r.left + 5 + i * 84.0 / 8.0;
        fillRect(cr, std::round(x), r.top + 2, 1, i % 4 == 0 ? 4 : 3, kWellEdge);
        fillRect(cr, std::round(x), r.bottom - (i % 4 == 0 ? 6 : 5), 1, i % 4 == 0 ? 4 : 3, kWellEdge);
    }
}

void rowLabel(cairo_t* cr, const ControlRow& row)
{
    const Rect area = labelRect(row);
    text(cr, row.label, area.left + 6, area.top + 15, 10, kLabel, true, Align::Left, kSansCondensed);
}

void unitLabel(cairo_t* cr, const ControlRow& row, const char* unit)
{
    // Left of the field: the field takes the whole room up to the slider.
    const Rect field = valueFieldRect(row);
    text(cr, unit, field.left - 4, field.top + 15, 9.5, kLabel, false, Align::Right, kSansCondensed);
}

void dropArrow(cairo_t* cr, const Rect& r)
{
    const double cx = r.right - 10, cy = r.top + r.height() / 2.0 + 1;
    cairo_move_to(cr, cx - 4, cy - 2);
    cairo_line_to(cr, cx + 4, cy - 2);
    cairo_line_to(cr, cx, cy + 3);
    cairo_close_path(cr);
    setColor(cr, kGroove);
    cairo_fill(cr);
}

void drawRows(cairo_t* cr, Page page)
{
    for (const auto& row : controlRows()) {
        if (row.page != page)
            continue;
        switch (row.kind) {
        case ControlKind::MenuButton:
            // The tone preset bar ends at the page tab; the sequences bar shows the tone instead of a line.
            if (row.id == ids::tone::kMenuButton)
                titleBar(cr, row.y - 2, row.label, 44, kPageTabRect.left - 8);
            else if (row.id == ids::sequence::kMenuButton)
                titleBar(cr, row.y - 2, row.label, 44, 0);
            else
                titleBar(cr, row.y - 2, row.label);
            break;
        case ControlKind::TitleBar:
            // The PLAY bar shows the part instead of a line, up to its CLOSE button.
            titleBar(cr, row.y - 2, row.label, 14, row.id == playPanel::kTitle ? 0 : kWindowWidth - 16);
            break;
        case ControlKind::Buttons: {
            rowLabel(cr, row);
            const Rect r = valueFieldRect(row);
            fillRect(cr, r.left - 2, r.top - 1, r.width() + 4, r.height() + 2, hex(0x000000), 0.07);
            break;
        }
        case ControlKind::Toggle: rowLabel(cr, row); break;
        case ControlKind::Slider:
            rowLabel(cr, row);
            well(cr, valueFieldRect(row));
            sliderTrack(cr, sliderRect(row));
            if (row.id == ids::system::kMasterVolume)
                unitLabel(cr, row, "dB");
            if (row.id == ids::system::kMasterTune)
                unitLabel(cr, row, "Hz");
            break;
        case ControlKind::OptionMenu:
            rowLabel(cr, row);
            well(cr, valueFieldRect(row));
            dropArrow(cr, valueFieldRect(row));
            break;
        case ControlKind::NameField:
        case ControlKind::RawField:
        case ControlKind::ReadOnly:
        case ControlKind::TextField:
            rowLabel(cr, row);
            well(cr, valueFieldRect(row));
            break;
        }
    }
}

// ---- The bitmaps ----------------------------------------------------------------

void drawBackground0(cairo_t* cr)
{
    panel(cr, kWindowWidth, kTopSectionHeight);
    fillRect(cr, 0, 0, kWindowWidth, 46, kWalnutDark); // under the logo
    drawRows(cr, Page::Top);
    fillRect(cr, 3, kTopSectionHeight - 1, kWindowWidth - 6, 1, kWellEdge);
}

// A dark display sunk into the panel, as the wave editor's.
void displayFrame(cairo_t* cr, const Rect& r)
{
    roundedRect(cr, r.left - 4.5, r.top - 3.5, r.width() + 9, r.height() + 7, 4);
    setColor(cr, kWalnutDark);
    cairo_fill_preserve(cr);
    setColor(cr, kWellEdge);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    fillRect(cr, r.left, r.top, r.width(), r.height(), kDisplay);
}

void drawWaveDisplayFrame(cairo_t* cr)
{
    displayFrame(cr, kWaveEditRect);
    // Tool button row: a recessed strip behind the ten buttons.
    fillRect(cr, 6, kWaveToolRow - 1, kWindowWidth - 12, kWaveToolHeight + 2, hex(0x000000), 0.07);
}

void drawBackground1(cairo_t* cr)
{
    panel(cr, kWindowWidth, kPageHeight);
    drawRows(cr, Page::Tone);
    drawWaveDisplayFrame(cr);
    fillRect(cr, 3, kPageHeight - 1, kWindowWidth - 6, 1, kWalnut);
}

void drawBackground3(cairo_t* cr)
{
    panel(cr, kWindowWidth, kPageHeight);
    drawRows(cr, Page::Sequences);
    // The kind buttons sit in a recessed strip.
    fillRect(cr, 6, kSequenceTabRow - 1, kSequenceTabX[3] + kSequenceTabWidth - 4, kSequenceTabHeight + 2,
             hex(0x000000), 0.07);
    displayFrame(cr, kSequenceEditRect);
    fillRect(cr, 3, kPageHeight - 1, kWindowWidth - 6, 1, kWalnut);
}

// A button with a word on it: walnut with cream text, pressed (or chosen) amber
// with `litWord` (the same word unless given).
void drawWordButton(cairo_t* cr, int width, int height, const char* word, const char* litWord = nullptr)
{
    for (int frame = 0; frame < 2; ++frame) {
        const double y = frame * height;
        roundedRect(cr, 0.5, y + 0.5, width - 1, height - 1, 4);
        cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + height);
        const Rgb top = frame ? kAmberLight : kWalnutLight, bottom = frame ? kAmber : kWalnut;
        cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
        cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
        cairo_set_source(cr, p);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(p);
        setColor(cr, frame ? kWalnutDark : hex(0x8A6A4E));
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        text(cr, frame && litWord ? litWord : word, width / 2.0, y + height / 2.0 + 4, 10, frame ? kWalnutDark : kCream,
             true, Align::Center, kSansCondensed);
    }
}

// The PLAY panel's sheet: its rows, a word on portamento beside the glide
// time, and a walnut edge against the shaded page below.
void drawBackground4(cairo_t* cr)
{
    panel(cr, kWindowWidth, kPlayPanelHeight);
    drawRows(cr, Page::Play);
    const ControlRow& glide = *findControlRow(playPanel::kGlideTime);
    text(cr, "glides while CC 65 (portamento) is on", 14, glide.y + 16, 9.5, kLabel, false, Align::Left, kSansCondensed,
         0.75);
    fillRect(cr, 0, kPlayPanelHeight - 3, kWindowWidth, 3, kWalnut);
    fillRect(cr, 0, kPlayPanelHeight - 3, kWindowWidth, 1, kWalnutLight);
}

void drawBackground2(cairo_t* cr)
{
    panel(cr, kWindowWidth, kPageHeight);
    drawRows(cr, Page::Sampler);
    // The free lower area: an engraved maker's plate.
    const double top = 324, h = 120;
    roundedRect(cr, 40.5, top + 0.5, kWindowWidth - 81, h, 6);
    setColor(cr, hex(0x000000), 0.05);
    cairo_fill_preserve(cr);
    setColor(cr, kWellEdge, 0.8);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    screw(cr, 54, top + 14);
    screw(cr, kWindowWidth - 54, top + 14);
    screw(cr, 54, top + h - 13);
    screw(cr, kWindowWidth - 54, top + h - 13);
    text(cr, "TOLVANE", kWindowWidth / 2.0, top + 58, 30, kLabel, true, Align::Center, kSans, 0.22);
    text(cr, "PCM SAMPLER  \xC2\xB7  16 PARTS  \xC2\xB7  128 SLOTS", kWindowWidth / 2.0, top + 84, 10, kLabel, true,
         Align::Center, kSansCondensed, 0.45);
    fillRect(cr, 3, kPageHeight - 1, kWindowWidth - 6, 1, kWalnut);
}

// The wordmark strip; the pressed frame lights the indicator and the mark.
void drawLogoFrame(cairo_t* cr, double y, bool pressed)
{
    verticalGradient(cr, 0, y, kWindowWidth, 46, hex(0x3A281B), kWalnutDark);
    fillRect(cr, 0, y + 44, kWindowWidth, 2, kAmber, pressed ? 1.0 : 0.7);
    // Stepped-wave emblem.
    const double ex = 18, ey = y + 10;
    roundedRect(cr, ex, ey, 26, 26, 5);
    setColor(cr, pressed ? kAmberLight : kAmber);
    cairo_fill(cr);
    const int steps[8] = {12, 18, 21, 18, 12, 6, 3, 6};
    for (int i = 0; i < 8; ++i)
        fillRect(cr, ex + 3 + i * 2.5, ey + 23 - steps[i], 2.5, steps[i] > 0 ? 1.5 : 0, kWalnutDark);
    text(cr, "TOLVANE", 54, y + 29, 22, pressed ? kAmberLight : kCream, true, Align::Left, kSans);
    text(cr, "SYNTH WT", 170, y + 29, 22, kAmber, false, Align::Left, kSans);
    text(cr, "16-PART WAVETABLE SOUND CHIP", kWindowWidth - 16, y + 20, 9.5, kCream, true, Align::Right, kSansCondensed,
         0.75);
    text(cr, pressed ? "ABOUT" : "INFO \xE2\x96\xB8", kWindowWidth - 16, y + 34, 9, kAmber, true, Align::Right,
         kSansCondensed);
}

void drawLogo(cairo_t* cr)
{
    drawLogoFrame(cr, 0, false);
    drawLogoFrame(cr, 46, true);
}

void drawMenuButton(cairo_t* cr)
{
    for (int frame = 0; frame < 2; ++frame) {
        const double y = frame * 20;
        roundedRect(cr, 0.5, y + 1.5, 27, 17, 3);
        setColor(cr, frame ? kAmber : kWalnutDark);
        cairo_fill_preserve(cr);
        setColor(cr, frame ? kAmberLight : hex(0x8A6A4E));
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        for (int i = 0; i < 3; ++i)
            fillRect(cr, 8, y + 6 + i * 4, 12, 2, frame ? kWalnutDark : kCream);
    }
}

void drawKnob(cairo_t* cr)
{
    roundedRect(cr, 0.5, 1.5, 9, 19, 2.5);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 10, 0);
    cairo_pattern_add_color_stop_rgb(p, 0, kAmberLight.r, kAmberLight.g, kAmberLight.b);
    cairo_pattern_add_color_stop_rgb(p, 1, kAmber.r * 0.8, kAmber.g * 0.8, kAmber.b * 0.8);
    cairo_set_source(cr, p);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(p);
    setColor(cr, kWalnutDark);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    fillRect(cr, 4, 5, 2, 12, kWalnutDark);
}

// Upper half matches the display, lower half is the bar; column 0 stays dark so
// neighbouring bars keep a one-pixel gap.
void drawWaveBar(cairo_t* cr)
{
    fillRect(cr, 0, 0, 128, 134, kDisplay);
    verticalGradient(cr, 0, 134, 128, 134, kAmber, hex(0x9C5A14));
    fillRect(cr, 0, 134, 128, 2, kAmberLight);
    fillRect(cr, 0, 0, 1, 268, kDisplay);
}

using IconPainter = void (*)(cairo_t*, double cx, double cy, Rgb);

void strokeIcon(cairo_t* cr, Rgb c)
{
    setColor(cr, c);
    cairo_set_line_width(cr, 2);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
}

void arrowHead(cairo_t* cr, double x, double y, double dir) // dir +1 right, -1 left
{
    cairo_move_to(cr, x - dir * 4, y - 4);
    cairo_line_to(cr, x, y);
    cairo_line_to(cr, x - dir * 4, y + 4);
}

void iconInvert(cairo_t* cr, double cx, double cy, Rgb c)
{
    cairo_move_to(cr, cx - 10, cy - 3);
    cairo_line_to(cr, cx - 2, cy - 3);
    cairo_move_to(cr, cx - 6, cy - 7);
    cairo_line_to(cr, cx - 6, cy + 1);
    cairo_move_to(cr, cx + 2, cy + 4);
    cairo_line_to(cr, cx + 10, cy + 4);
    cairo_move_to(cr, cx + 7, cy - 8);
    cairo_line_to(cr, cx - 1, cy + 8);
    strokeIcon(cr, c);
}

void iconReverse(cairo_t* cr, double cx, double cy, Rgb c)
{
    cairo_move_to(cr, cx - 10, cy - 3);
    cairo_line_to(cr, cx + 10, cy - 3);
    arrowHead(cr, cx + 10, cy - 3, 1);
    cairo_move_to(cr, cx + 10, cy + 4);
    cairo_line_to(cr, cx - 10, cy + 4);
    arrowHead(cr, cx - 10, cy + 4, -1);
    strokeIcon(cr, c);
}

void iconRotate(cairo_t* cr, double cx, double cy, Rgb c, double dir)
{
    for (int i = 0; i < 2; ++i) {
        const double x = cx + dir * (i * 7 - 1);
        arrowHead(cr, x, cy, dir);
    }
    cairo_move_to(cr, cx - dir * 11, cy);
    cairo_line_to(cr, cx + dir * 5, cy);
    strokeIcon(cr, c);
}
void iconRotateLeft(cairo_t* cr, double cx, double cy, Rgb c) { iconRotate(cr, cx, cy, c, -1); }
void iconRotateRight(cairo_t* cr, double cx, double cy, Rgb c) { iconRotate(cr, cx, cy, c, 1); }

void iconSine(cairo_t* cr, double cx, double cy, Rgb c)
{
    for (int i = 0; i <= 24; ++i) {
        const double x = cx - 12 + i, y = cy - 7 * std::sin(i / 24.0 * 2 * M_PI);
        i == 0 ? cairo_move_to(cr, x, y) : cairo_line_to(cr, x, y);
    }
    strokeIcon(cr, c);
}

void iconTriangle(cairo_t* cr, double cx, double cy, Rgb c)
{
    cairo_move_to(cr, cx - 12, cy);
    cairo_line_to(cr, cx - 6, cy - 7);
    cairo_line_to(cr, cx + 6, cy + 7);
    cairo_line_to(cr, cx + 12, cy);
    strokeIcon(cr, c);
}

void iconSquare(cairo_t* cr, double cx, double cy, Rgb c)
{
    cairo_move_to(cr, cx - 12, cy + 7);
    cairo_line_to(cr, cx - 12, cy - 7);
    cairo_line_to(cr, cx, cy - 7);
    cairo_line_to(cr, cx, cy + 7);
    cairo_line_to(cr, cx + 12, cy + 7);
    cairo_line_to(cr, cx + 12, cy - 7);
    strokeIcon(cr, c);
}

void iconSaw(cairo_t* cr, double cx, double cy, Rgb c)
{
    cairo_move_to(cr, cx - 12, cy + 7);
    cairo_line_to(cr, cx, cy - 7);
    cairo_line_to(cr, cx, cy + 7);
    cairo_line_to(cr, cx + 12, cy - 7);
    cairo_line_to(cr, cx + 12, cy + 7);
    strokeIcon(cr, c);
}

void iconFlat(cairo_t* cr, double cx, double cy, Rgb c)
{
    cairo_move_to(cr, cx - 12, cy);
    cairo_line_to(cr, cx + 12, cy);
    strokeIcon(cr, c);
}

void iconNoise(cairo_t* cr, double cx, double cy, Rgb c)
{
    const int levels[6] = {2, -6, 5, -2, 7, -4};
    cairo_move_to(cr, cx - 12, cy + levels[0]);
    for (int i = 0; i < 6; ++i) {
        cairo_line_to(cr, cx - 12 + i * 4, cy + levels[i]);
        cairo_line_to(cr, cx - 8 + i * 4, cy + levels[i]);
    }
    strokeIcon(cr, c);
}

void drawToolButton(cairo_t* cr, int width, IconPainter icon)
{
    for (int frame = 0; frame < 2; ++frame) {
        const double y = frame * 26;
        roundedRect(cr, 0.5, y + 0.5, width - 1, 25, 4);
        cairo_pattern_t* p = cairo_pattern_create_linear(0, y, 0, y + 26);
        const Rgb top = frame ? kAmberLight : kWalnutLight, bottom = frame ? kAmber : kWalnut;
        cairo_pattern_add_color_stop_rgb(p, 0, top.r, top.g, top.b);
        cairo_pattern_add_color_stop_rgb(p, 1, bottom.r, bottom.g, bottom.b);
        cairo_set_source(cr, p);
        cairo_fill_preserve(cr);
        cairo_pattern_destroy(p);
        setColor(cr, kWalnutDark);
        cairo_set_line_width(cr, 1);
        cairo_stroke(cr);
        icon(cr, width / 2.0, y + 13, frame ? kWalnutDark : kCream);
    }
}

void drawLibraryLogoFrame(cairo_t* cr, double y, bool pressed)
{
    roundedRect(cr, 4.5, y + 4.5, 251, 341, 14);
    setColor(cr, hex(0x2A2520));
    cairo_fill_preserve(cr);
    setColor(cr, pressed ? kAmberLight : kAmber, pressed ? 1.0 : 0.8);
    cairo_set_line_width(cr, 2);
    cairo_stroke(cr);
    // A stepped 16-sample sine, the product's sound in one picture.
    const double cx = 130, cy = y + 125;
    cairo_arc(cr, cx, cy, 78, 0, 2 * M_PI);
    setColor(cr, kWalnutDark);
    cairo_fill_preserve(cr);
    setColor(cr, kAmber, 0.6);
    cairo_set_line_width(cr, 1.5);
    cairo_stroke(cr);
    for (int i = 0; i < 16; ++i) {
        const double v = std::round(std::sin((i + 0.5) / 16.0 * 2 * M_PI) * 7) / 7.0;
        const double x = cx - 56 + i * 7;
        const double h = v * 44;
        fillRect(cr, x, h > 0 ? cy - h : cy, 6, std::max(2.0, std::fabs(h)), pressed ? kAmberLight : kAmber);
    }
    fillRect(cr, cx - 60, cy, 120, 1, kCream, 0.4);
    text(cr, "TOLVANE", 130, y + 248, 30, kCream, true, Align::Center, kSans);
    text(cr, "SYNTH WT", 130, y + 276, 18, kAmber, false, Align::Center, kSans);
    text(cr, "16-PART WAVETABLE SOUND CHIP", 130, y + 304, 9.5, kCream, true, Align::Center, kSansCondensed, 0.7);
    text(cr, pressed ? "CLOSE" : "CLICK TO CLOSE", 130, y + 328, 9, kAmber, true, Align::Center, kSansCondensed, 0.8);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string folder = argc > 1 ? argv[1] : ".";
    bool ok = true;
    ok &= makeBitmap(folder, "bg0.png", kWindowWidth, kTopSectionHeight, drawBackground0);
    ok &= makeBitmap(folder, "bg1.png", kWindowWidth, kPageHeight, drawBackground1);
    ok &= makeBitmap(folder, "bg2.png", kWindowWidth, kPageHeight, drawBackground2);
    ok &= makeBitmap(folder, "bg3.png", kWindowWidth, kPageHeight, drawBackground3);
    const int tabWidth = kPageTabRect.width(), tabHeight = kPageTabRect.height();
    ok &= makeBitmap(folder, "tabSeq.png", tabWidth, 2 * tabHeight,
                     [&](cairo_t* cr) { drawWordButton(cr, tabWidth, tabHeight, "SEQUENCES \xE2\x96\xB8"); });
    ok &= makeBitmap(folder, "tabTone.png", tabWidth, 2 * tabHeight,
                     [&](cairo_t* cr) { drawWordButton(cr, tabWidth, tabHeight, "\xE2\x97\x82 TONE"); });
    ok &= makeBitmap(folder, "bg4.png", kWindowWidth, kPlayPanelHeight, drawBackground4);
    ok &= makeBitmap(folder, "tabClose.png", tabWidth, 2 * tabHeight,
                     [&](cairo_t* cr) { drawWordButton(cr, tabWidth, tabHeight, "CLOSE \xC3\x97"); });
    for (int mode = 0; mode < kPlayModeCount; ++mode) {
        const Rect r = playModeButtonRect(mode);
        const std::string name = "playmode" + std::to_string(mode) + ".png";
        ok &= makeBitmap(folder, name.c_str(), r.width(), 2 * r.height(),
                         [&](cairo_t* cr) { drawWordButton(cr, r.width(), r.height(), kPlayModeNames[mode]); });
    }
    const Rect toggle = valueFieldRect(*findControlRow(ids::part::kArpRetrigger));
    ok &= makeBitmap(folder, "toggle.png", toggle.width(), 2 * toggle.height(),
                     [&](cairo_t* cr) { drawWordButton(cr, toggle.width(), toggle.height(), "OFF", "ON"); });
    const char* const kinds[4] = {"VOL", "ARP", "PITCH", "WAVE"};
    for (int k = 0; k < 4; ++k) {
        const std::string name = "seqtab" + std::to_string(k) + ".png";
        ok &= makeBitmap(folder, name.c_str(), kSequenceTabWidth, 2 * kSequenceTabHeight,
                         [&](cairo_t* cr) { drawWordButton(cr, kSequenceTabWidth, kSequenceTabHeight, kinds[k]); });
    }
    ok &= makeBitmap(folder, "logo.png", kWindowWidth, 92, drawLogo);
    ok &= makeBitmap(folder, "menu.png", 28, 40, drawMenuButton);
    ok &= makeBitmap(folder, "knob0.png", 10, 22, drawKnob);
    ok &= makeBitmap(folder, "waveBar.png", 128, 268, drawWaveBar);
    const IconPainter icons[ids::waveTable::kToolCount] = {iconInvert, iconReverse,  iconRotateLeft, iconRotateRight,
                                                           iconSine,   iconTriangle, iconSquare,     iconSaw,
                                                           iconFlat,   iconNoise};
    for (int i = 0; i < ids::waveTable::kToolCount; ++i) {
        const std::string name = "wvbtn" + std::to_string(i) + ".png";
        ok &= makeBitmap(folder, name.c_str(), kWaveToolWidth, 2 * kWaveToolHeight,
                         [&](cairo_t* cr) { drawToolButton(cr, kWaveToolWidth, icons[i]); });
    }
    ok &= makeBitmap(folder, "libLogo.png", 260, 700, [](cairo_t* cr) {
        drawLibraryLogoFrame(cr, 0, false);
        drawLibraryLogoFrame(cr, 350, true);
    });
    return ok ? 0 : 1;
}
