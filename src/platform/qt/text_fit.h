#pragma once

// The station's windows are laid out in fixed pixels made for the original's fonts. Where the
// font in use is wider or taller, a window's layout is stretched, evenly in each direction, so
// that every text of its labels, buttons, check boxes, group boxes, pickers, lists and list
// headers fits its control, as dialog units follow the dialog font. The documented geometry
// stays the design; what a window's code places is taken as the design again.

#include <QObject>
#include <QSize>

class QWidget;

namespace vesk::qt {

// Room the control's text needs in the font in use, its chrome included; an empty size for a
// control without text (or one whose text is the user's, as an edit field's).
QSize TextNeed(const QWidget* control);

// Stretches a fixed-size window's layout until every text fits; never shrinks it below its
// design.
void FitWindowToTexts(QWidget* window);

// Fits every fixed-size top-level window to its texts each time it is shown. Installed once on
// the application.
class TextFitter final : public QObject {
 public:
  using QObject::QObject;
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace vesk::qt
