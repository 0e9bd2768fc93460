// SPDX-License-Identifier: GPL-3.0-or-later
#include "SequenceEdit.h"

#include "vstgui/lib/cdrawcontext.h"
#include "vstgui/lib/cfont.h"
#include "vstgui/lib/events.h"

#include <algorithm>
#include <cmath>

namespace kest::tolvane::editor {

using namespace VSTGUI;

namespace {

// The artwork's palette (editor/artwork/TolvaneArtwork.cpp).
const CColor kDisplay(29, 25, 21, 255);
const CColor kLane(42, 34, 27, 255);
const CColor kAmber(233, 154, 44, 255);
const CColor kAmberLight(255, 199, 103, 255);
const CColor kReleased(190, 120, 40, 255); // the released part: the bars' colour, darker
const CColor kCream(245, 235, 215, 255);
const CColor kGrid(245, 235, 215, 22);
const CColor kGridBeat(245, 235, 215, 48);
const CColor kPlayhead(255, 255, 255, 46);
const CColor kLabel(245, 235, 215, 120);

} // namespace

SequenceEdit::SequenceEdit(const CRect& size, SequenceEditListener* listener) : CView(size), listener_(listener) {}

SequenceGeometry SequenceEdit::geometry() const
{
    return SequenceGeometry(getViewSize().getWidth(), getViewSize().getHeight(), shown_.visible, shown_.span);
}

void SequenceEdit::show(const Shown& shown)
{
    if (isEditing() || shown == shown_)
        return;
    shown_ = shown;
    invalid();
}

void SequenceEdit::showPlayhead(int step)
{
    if (step == playhead_)
        return;
    invalidStep(playhead_);
    playhead_ = step;
    invalidStep(playhead_);
}

void SequenceEdit::invalidStep(int step)
{
    if (step < 0 || step >= shown_.visible)
        return;
    const SequenceGeometry g = geometry();
    CRect r(g.stepLeft(step), g.barsTop(), g.stepLeft(step + 1), g.height());
    r.offset(getViewSize().left, getViewSize().top);
    r.extend(1, 0); // the edges' rounding
    r.bound(getViewSize());
    invalidRect(r);
}

// ---- Drawing --------------------------------------------------------------------

void SequenceEdit::draw(CDrawContext* context)
{
    const CRect frame = getViewSize();
    const SequenceGeometry g = geometry();
    const synth::ToneSequence& s = shown_.sequence;
    auto at = [&](double x0, double y0, double x1, double y1) {
        return CRect(frame.left + x0, frame.top + y0, frame.left + x1, frame.top + y1);
    };
    auto fill = [&](const CRect& r, const CColor& color) {
        context->setFillColor(color);
        context->drawRect(r, kDrawFilled);
    };
    const double width = frame.getWidth(), height = g.height(), top = g.barsTop();

    fill(frame, kDisplay);
    fill(at(0, 0, width, top), kLane);
    fill(at(0, kSequenceLaneHeight, width, kSequenceLaneHeight + 1), kDisplay);
    // A line at each step edge, brighter each fourth.
    for (int i = 1; i < shown_.visible; ++i)
        fill(at(std::round(g.stepLeft(i)), top, std::round(g.stepLeft(i)) + 1, height), i % 4 ? kGrid : kGridBeat);

    const bool signedSpan = shown_.span.min < 0;
    const double band = (height - top) / shown_.span.bands();
    const double zero = signedSpan ? g.bandTop(0) + band / 2 : height;
    if (signedSpan)
        fill(at(0, std::round(zero), width, std::round(zero) + 1), kGridBeat);
    for (int i = 0; i < std::min<int>(s.length, shown_.visible); ++i) {
        const int v = s.values[static_cast<std::size_t>(i)];
        double y0 = g.bandTop(v), y1 = zero;
        if (signedSpan && v < 0)
            std::swap(y0, y1), y1 = g.bandTop(v) + band;
        if (signedSpan && v == 0)
            y0 = zero - 1, y1 = zero + 1;
        const double x0 = g.stepLeft(i) + 1, x1 = g.stepLeft(i + 1) - 1;
        const bool released = s.hasRelease() && i >= s.release;
        fill(at(x0, y0, x1, y1), released ? kReleased : kAmber);
        fill(at(x0, v < 0 ? y1 - 2 : y0, x1, v < 0 ? y1 : y0 + 2), kAmberLight);
    }
    // The end of the sequence.
    if (s.length < shown_.visible)
        fill(at(std::round(g.stepLeft(s.length)), 0, std::round(g.stepLeft(s.length)) + 1, height), kLabel);
    if (playhead_ >= 0 && playhead_ < shown_.visible)
        fill(at(g.stepLeft(playhead_), top, g.stepLeft(playhead_ + 1), height), kPlayhead);

    // Markers: a flag in the lane and a line down through the bars.
    auto marker = [&](int point, double laneTop, const CColor& color) {
        const double x = std::round(g.stepLeft(point));
        fill(at(x, laneTop, x + 2, height), CColor(color.red, color.green, color.blue, 150));
        CDrawContext::PointList flag{CPoint(frame.left + x, frame.top + laneTop + 1),
                                     CPoint(frame.left + x + 9, frame.top + laneTop + 6),
                                     CPoint(frame.left + x, frame.top + laneTop + kSequenceLaneHeight - 1)};
        context->setFillColor(color);
        context->drawPolygon(flag, kDrawFilled);
    };
    if (s.hasLoop())
        marker(s.loop, 0, kAmberLight);
    if (s.hasRelease())
        marker(s.release, kSequenceLaneHeight, kCream);

    // What the lanes and the bars' edges stand for.
    auto font = makeOwned<CFontDesc>("Arial", 9);
    context->setFont(font);
    context->setFontColor(kLabel);
    context->drawString("LOOP", at(width - 60, 0, width - 4, kSequenceLaneHeight), kRightText);
    context->drawString("RELEASE", at(width - 60, kSequenceLaneHeight, width - 4, top), kRightText);
    context->drawString(spanEndText(shown_.span, shown_.span.max).c_str(), at(4, top + 1, 60, top + 13), kLeftText);
    context->drawString(spanEndText(shown_.span, shown_.span.min).c_str(), at(4, height - 13, 60, height - 1),
                        kLeftText);
    setDirty(false);
}

// ---- Editing with the mouse ---------------------------------------------------------

void SequenceEdit::setStep(int step, int value)
{
    synth::ToneSequence& s = shown_.sequence;
    if (step < s.length && s.values[static_cast<std::size_t>(step)] == value)
        return;
    // As the processor does: a step past the end lengthens the sequence.
    const int fill = s.length > 0 ? s.values[s.length - 1u] : shown_.neutral;
    for (int i = s.length; i < step; ++i)
        s.values[static_cast<std::size_t>(i)] = static_cast<std::int16_t>(fill);
    s.values[static_cast<std::size_t>(step)] = static_cast<std::int16_t>(value);
    s.length = static_cast<std::uint8_t>(std::max<int>(s.length, step + 1));
    invalid();
    listener_->sequenceStepDrawn(step, value);
}

void SequenceEdit::drawTo(CPoint to)
{
    const SequenceGeometry g = geometry();
    const int from = g.stepAt(last_.x);
    const int under = g.stepAt(to.x);
    // Steps a fast stroke skips take the straight line's value at their centres.
    const int step = under > from ? 1 : -1;
    for (int i = from + step; under != from && i != under; i += step) {
        const double centre = (g.stepLeft(i) + g.stepLeft(i + 1)) / 2;
        const double t = std::clamp((centre - last_.x) / (to.x - last_.x), 0.0, 1.0);
        setStep(i, g.valueAt(last_.y + t * (to.y - last_.y)));
    }
    setStep(under, g.valueAt(to.y));
    last_ = to;
}

void SequenceEdit::moveMarker(CPoint to)
{
    synth::ToneSequence& s = shown_.sequence;
    const int boundary = geometry().boundaryAt(to.x);
    const bool loop = grab_ == Grab::Loop;
    const int point = loop ? loopPointAt(boundary, s.length) : releasePointAt(boundary, s.length);
    std::uint8_t& stored = loop ? s.loop : s.release;
    const int before = stored == synth::ToneSequence::kNone ? -1 : stored;
    if (point < 0 || point == before)
        return;
    removeOnRelease_ = false;
    stored = static_cast<std::uint8_t>(point);
    invalid();
    if (loop)
        listener_->sequenceLoopMoved(point);
    else
        listener_->sequenceReleaseMoved(point);
}

void SequenceEdit::onMouseDownEvent(MouseDownEvent& event)
{
    if (!event.buttonState.isLeft()) {
        CView::onMouseDownEvent(event);
        return;
    }
    const CPoint at = local(event.mousePosition);
    listener_->sequenceEditBegins();
    switch (geometry().areaAt(at.y)) {
    case SequenceGeometry::Area::Bars:
        grab_ = Grab::Bars;
        last_ = at;
        drawTo(at);
        break;
    case SequenceGeometry::Area::LoopLane:
    case SequenceGeometry::Area::ReleaseLane: {
        grab_ = geometry().areaAt(at.y) == SequenceGeometry::Area::LoopLane ? Grab::Loop : Grab::Release;
        const synth::ToneSequence& s = shown_.sequence;
        const std::uint8_t stored = grab_ == Grab::Loop ? s.loop : s.release;
        const int boundary = geometry().boundaryAt(at.x);
        const int point = grab_ == Grab::Loop ? loopPointAt(boundary, s.length) : releasePointAt(boundary, s.length);
        // Pressed on the marker where it stands: released there, it goes.
        removeOnRelease_ = point >= 0 && point == stored;
        moveMarker(at);
        break;
    }
    }
    event.consumed = true;
}

void SequenceEdit::onMouseMoveEvent(MouseMoveEvent& event)
{
    if (grab_ == Grab::None) {
        CView::onMouseMoveEvent(event);
        return;
    }
    if (grab_ == Grab::Bars)
        drawTo(local(event.mousePosition));
    else
        moveMarker(local(event.mousePosition));
    event.consumed = true;
}

void SequenceEdit::onMouseUpEvent(MouseUpEvent& event)
{
    if (grab_ == Grab::None) {
        CView::onMouseUpEvent(event);
        return;
    }
    if (removeOnRelease_) {
        synth::ToneSequence& s = shown_.sequence;
        (grab_ == Grab::Loop ? s.loop : s.release) = synth::ToneSequence::kNone;
        invalid();
        if (grab_ == Grab::Loop)
            listener_->sequenceLoopMoved(-1);
        else
            listener_->sequenceReleaseMoved(-1);
    }
    grab_ = Grab::None;
    removeOnRelease_ = false;
    event.consumed = true;
}

void SequenceEdit::onMouseCancelEvent(MouseCancelEvent& event)
{
    grab_ = Grab::None;
    removeOnRelease_ = false;
    CView::onMouseCancelEvent(event);
}

} // namespace kest::tolvane::editor
