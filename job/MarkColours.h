// The colours of the painted marks: a mask pixel of exactly one of them is
// a mark, to protect or to remove; any other colour is no preference. The
// carving job reads marks in them and the mask editor paints with them.
#pragma once

#include "Bitmap.h"

namespace carvelo {

inline constexpr TRGB ProtectColour{0, 128, 0};
inline constexpr TRGB RemoveColour{255, 0, 0};

}  // namespace carvelo
