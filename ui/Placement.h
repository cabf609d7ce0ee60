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
