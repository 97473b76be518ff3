// A slide as a picture, as PowerPoint would export it at 96 dots per inch:
// its shapes back to front on white, pictures stretched to their displayed
// size, every other shape (text box, group, drawing) as a plain labelled box,
// each turned by its rotation (clockwise, about its centre) and mirrored by
// its flips.
#pragma once

#include <windows.h>

#include "StandInPowerPoint.h"

namespace carvelo::standin {

// Slides are 10 × 7.5 inches; a point is 1/72 inch, a pixel 1/96.
inline constexpr float kSlideWidthPoints = 720, kSlideHeightPoints = 540;
inline constexpr double kPixelsPerPoint = 96.0 / 72.0;

// Where a shape lies on a slide drawn from `origin`, `scale` device
// pixels per point.
RECT ShapeRect(POINT origin, double scale, const TStandInShape& shape);

// Draws the slide's shapes into `dc`, the slide's top-left corner at
// `origin`, `scale` device pixels per point.
void DrawSlideShapes(HDC dc, POINT origin, double scale, TStandInSlide& slide);

// The slide at 96 dots per inch: 960 × 720 pixels.
TPixels RenderSlide(TStandInSlide& slide);

}  // namespace carvelo::standin
