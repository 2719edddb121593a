#pragma once

#include <QIcon>
#include <QPixmap>

// The program's icons, drawn at run time so no image files are needed.

// The application icon (32 by 32 and 16 by 16), shown in the caption and
// in the About dialog.
QIcon AppIcon();

// The flash indicator of the status bar: 16 by 16, a centred disc 8 pixels
// across on a transparent background, pure red when lit, mid grey when dark.
QPixmap LedPixmap(bool lit);
