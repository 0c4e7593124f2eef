#pragma once
// Busy and idle states of the main window's controls around a read or a join, and the
// colours of the Cancel button's frame.

#include <QColor>

class TForm1;

// Negative `mode`: busy (-1 also makes Cancel usable); positive: idle (1 also makes
// Cancel unusable again); 0: nothing changes. The window frame and the notice link are
// never touched.
void SetControlState(TForm1& form, int mode);

// The Cancel frame's colour while a read runs: the palette's active highlight, which
// stands in for the colour of an active window's caption.
QColor ActiveCaptionColour(const TForm1& form);
// Its colour otherwise: the face colour of buttons.
QColor ButtonFaceColour(const TForm1& form);
