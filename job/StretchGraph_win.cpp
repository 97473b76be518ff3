// The plain stretch of the Windows build: the platform's StretchBlt in
// colour-on-colour mode, every destination pixel one source pixel.
#include "Bitmap_win.h"
#include "Gdi_win.h"
#include "StretchGraph.h"

namespace carvelo {

void PlatformStretch(const TBitmap& Source, TBitmap& Dest) {
  // Colours change depth by the same rule as everywhere else in the
  // program; the platform only picks the pixels.
  if (Source.BitCount() != Dest.BitCount() || Source.Masks() != Dest.Masks()) {
    if (Source.Empty() || GetBitsPerPixel(Dest) == 0) return;
    PlatformStretch(ConvertDepth(Source, GetBitsPerPixel(Dest)), Dest);
    return;
  }
  HBITMAP From = DibSectionOf(Source), To = DibSectionOf(Dest);
  if (!From || !To) return;  // an empty picture: nothing to draw
  const TMemoryDC In(nullptr), Out(nullptr);
  if (!In.Get() || !Out.Get()) return;
  const TSelected InBitmap(In.Get(), From), OutBitmap(Out.Get(), To);
  SetStretchBltMode(Out.Get(), COLORONCOLOR);
  StretchBlt(Out.Get(), 0, 0, Dest.Width(), Dest.Height(), In.Get(), 0, 0, Source.Width(), Source.Height(), SRCCOPY);
  GdiFlush();
}

}  // namespace carvelo
