// The plain stretch of the portable build: nearest pixel, floor(i * n / m).
// A platform build that has a colour-on-colour stretch of its own links that
// instead of this file.
#include "StretchGraph.h"

namespace carvelo {

void PlatformStretch(const TBitmap& Source, TBitmap& Dest) { NearestResample(Source, Dest); }

}  // namespace carvelo
