// Window placement and the fonts that stand in for the design's fonts.
#pragma once

#include <QFont>

class QWidget;

// Centres a top-level window on the primary screen by its outer size; a
// window larger than the screen keeps its top left corner at the screen's.
void CentreOnScreen(QWidget& window);

// The platform's nearest sans-serif face to the design's, at a pixel height.
QFont NearestSansFont(int pixelSize);
// A monospace face for the command lines, at a pixel height.
QFont NearestMonoFont(int pixelSize);

// Keeps a button's, option's or group box's caption whole inside the
// control's design size: when the platform's face is wider than the design's,
// the control's font is made smaller, one pixel at a time, until the text
// fits. A later, shorter text gets the full size back.
void FitTextToWidth(QWidget& control);
