// The small pictures on the dialogs' buttons, drawn at run time.
#pragma once

#include "DialogForm_win.h"

namespace carvelo {

enum class TGlyph { Check, Cross, Door };

// A 16 x 16 picture on the given background colour.
TGdiBitmap MakeGlyph(TGlyph glyph, COLORREF background);

// Puts the picture beside the button's caption (common controls 6); the
// button only borrows the bitmap, so the caller keeps it alive.
void SetButtonGlyph(HWND button, const TGdiBitmap& glyph);

}  // namespace carvelo
