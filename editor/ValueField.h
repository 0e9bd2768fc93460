// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's text field. The library lays a field's text out twice per draw
// (once to measure it for centring, once to draw it); this field remembers
// the widths of the texts it has shown, so a redraw lays its text out once.
// It draws exactly what the library's field draws.
#pragma once

#include "vstgui/lib/controls/ctextedit.h"

#include <string>
#include <unordered_map>

namespace kest::tolvane::editor {

class ValueField : public VSTGUI::CTextEdit {
public:
    using CTextEdit::CTextEdit;
    using CTextEdit::drawPlatformText;

    void drawPlatformText(VSTGUI::CDrawContext* context, const VSTGUI::UTF8String& string,
                          const VSTGUI::CRect& size) override;

    // How many texts the field has measured since its font last changed.
    std::size_t measuredCount() const { return widths_.size(); }

    CLASS_METHODS(ValueField, CTextEdit)

private:
    // A field sees a few hundred texts at most (a controller's values); the
    // pitch bend's 16384 would grow the table without bound.
    static constexpr std::size_t kMaxWidths = 512;

    VSTGUI::CCoord widthOf(VSTGUI::CDrawContext* context, const VSTGUI::UTF8String& string);

    std::unordered_map<std::string, VSTGUI::CCoord> widths_;
    const VSTGUI::CFontDesc* measuredFont_ = nullptr;
    VSTGUI::CCoord measuredSize_ = 0;
};

} // namespace kest::tolvane::editor
