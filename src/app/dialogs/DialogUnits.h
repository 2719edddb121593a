#pragma once

#include <QFont>
#include <QRect>

// Converts a rectangle given in dialog units (x, y, width, height) to pixels
// for the font of the dialog: a horizontal unit is a quarter of the font's
// average character width, a vertical unit an eighth of its height, so a
// dialog keeps its proportions with the font it is shown in.
QRect DluToPixels(const QFont& font, int x, int y, int width, int height);
