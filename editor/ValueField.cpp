// SPDX-License-Identifier: GPL-3.0-or-later
#include "ValueField.h"

#include "vstgui/lib/cdrawcontext.h"
#include "vstgui/lib/cfont.h"
#include "vstgui/lib/platform/iplatformfont.h"

namespace kest::tolvane::editor {

using namespace VSTGUI;

CCoord ValueField::widthOf(CDrawContext* context, const UTF8String& string)
{
    const CFontDesc* font = getFont();
    if (font != measuredFont_ || font->getSize() != measuredSize_ || widths_.size() >= kMaxWidths) {
        widths_.clear();
        measuredFont_ = font;
        measuredSize_ = font->getSize();
    }
    const auto found = widths_.find(string.getString());
    if (found != widths_.end())
        return found->second;
    const CCoord width = context->getStringWidth(string.getPlatformString());
    widths_.emplace(string.getString(), width);
    return width;
}

void ValueField::drawPlatformText(CDrawContext* context, const UTF8String& string, const CRect& size)
{
    const auto style = getStyle();
    const CFontDesc* font = getFont();
    const IPlatformFont* platformFont = font ? font->getPlatformFont().get() : nullptr;
    // Only the plain case is drawn here; the library draws every other.
    if (getTextRotation() != 0.0 || (style & (kShadowText | kNoTextStyle)) || platformFont == nullptr ||
        getHoriAlign() == kLeftText) {
        CTextEdit::drawPlatformText(context, string, size);
        return;
    }
    context->saveGlobalState();
    CRect textRect(size);
    textRect.inset(getTextInset().x, getTextInset().y);
    drawClipped(context, textRect, [&] {
        context->setDrawMode(kAntiAliasing);
        context->setFont(getFont());
        context->setFontColor(getFontColor());
        // Where CDrawContext::drawString(string, rect, align) puts the text.
        CRect rect(textRect);
        const double capHeight = platformFont->getCapHeight();
        if (capHeight > 0.)
            rect.bottom -= (rect.getHeight() / 2. - capHeight / 2.);
        else
            rect.bottom -= (rect.getHeight() / 2. - font->getSize() / 2.) + 1.;
        const CCoord width = widthOf(context, string);
        if (getHoriAlign() == kRightText)
            rect.left = rect.right - width;
        else
            rect.left = rect.left + (rect.getWidth() / 2.) - (width / 2.);
        context->drawString(string.getPlatformString(), CPoint(rect.left, rect.bottom), getAntialias());
    });
    context->restoreGlobalState();
}

} // namespace kest::tolvane::editor
