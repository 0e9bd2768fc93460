// SPDX-License-Identifier: GPL-3.0-or-later
// One sequence of the current tone as bars, with its loop and release points
// as markers in two lanes above them and the playhead of the last note. A
// stroke with the left button draws: every step the pointer crosses takes the
// value under it, each told to the listener on its own, as the wave editor's
// bars do. A press in a lane moves that marker to the step edge under the
// pointer (dragging moves it on); a click on the marker where it stands
// removes it.
#pragma once

#include "EditorLogic/SequencePage.h"

#include "vstgui/lib/cview.h"

namespace kest::tolvane::editor {

class SequenceEditListener {
public:
    virtual ~SequenceEditListener() = default;
    // A stroke or a marker drag begins.
    virtual void sequenceEditBegins() = 0;
    virtual void sequenceStepDrawn(int step, int value) = 0;
    // The plain point: -1 removes it.
    virtual void sequenceLoopMoved(int point) = 0;
    virtual void sequenceReleaseMoved(int point) = 0;
};

class SequenceEdit : public VSTGUI::CView {
public:
    // What the view shows; a change redraws it.
    struct Shown {
        synth::ToneSequence sequence;
        ValueSpan span{0, synth::kMaxVolumeStep};
        int visible = 16;
        int neutral = 0; // what a sequence without steps is lengthened with (the kind's neutral value)
        bool operator==(const Shown&) const = default;
    };

    SequenceEdit(const VSTGUI::CRect& size, SequenceEditListener* listener);

    // Ignored while the pointer edits: the stroke's own steps show until it ends.
    void show(const Shown& shown);
    const Shown& shown() const { return shown_; }
    // The step the last note plays, -1 for none.
    void showPlayhead(int step);
    int playhead() const { return playhead_; }
    bool isEditing() const { return grab_ != Grab::None; }

    void draw(VSTGUI::CDrawContext* context) override;
    void onMouseDownEvent(VSTGUI::MouseDownEvent& event) override;
    void onMouseMoveEvent(VSTGUI::MouseMoveEvent& event) override;
    void onMouseUpEvent(VSTGUI::MouseUpEvent& event) override;
    void onMouseCancelEvent(VSTGUI::MouseCancelEvent& event) override;

private:
    enum class Grab { None, Bars, Loop, Release };

    SequenceGeometry geometry() const;
    VSTGUI::CPoint local(const VSTGUI::CPoint& where) const { return where - getViewSize().getTopLeft(); }
    void drawTo(VSTGUI::CPoint to);
    void setStep(int step, int value);
    void moveMarker(VSTGUI::CPoint to);
    void invalidStep(int step);

    SequenceEditListener* listener_;
    Shown shown_;
    int playhead_ = -1;
    Grab grab_ = Grab::None;
    VSTGUI::CPoint last_;
    bool removeOnRelease_ = false;
};

} // namespace kest::tolvane::editor
