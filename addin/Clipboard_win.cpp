#include "Clipboard_win.h"

#include <windows.h>

#include <stdexcept>

#include "Bitmap_win.h"
#include "Handle_win.h"

namespace carvelo::addin {

namespace {

inline void DestroyOwnerWindow(HWND h) { DestroyWindow(h); }
using TOwnerWindow = TOwnedHandle<HWND, DestroyOwnerWindow>;

// A hidden message-only window: Windows wants an owner window for the
// clipboard's data.
TOwnerWindow MakeOwnerWindow() {
  TOwnerWindow window(
      CreateWindowExW(0, L"STATIC", L"Carvelo clipboard", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
  if (!window) throw std::runtime_error("The clipboard's owner window cannot be made.");
  return window;
}

// The clipboard, open for one transfer. Another program may hold it for a
// moment, so opening is retried briefly.
class TOpenClipboard {
 public:
  explicit TOpenClipboard(HWND owner) {
    for (int attempt = 0; attempt < 50; ++attempt) {
      if (OpenClipboard(owner)) return;
      Sleep(10);
    }
    throw std::runtime_error("The clipboard cannot be opened.");
  }
  ~TOpenClipboard() { CloseClipboard(); }
  TOpenClipboard(const TOpenClipboard&) = delete;
  TOpenClipboard& operator=(const TOpenClipboard&) = delete;
};

}  // namespace

std::optional<TBitmap> TakeBitmapFromClipboard() {
  const TOwnerWindow owner = MakeOwnerWindow();
  const TOpenClipboard open(owner.Get());
  HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
  if (!bitmap) return std::nullopt;
  return BitmapFromHandle(bitmap);  // the clipboard keeps its bitmap
}

void PutBitmapOnClipboard(const TBitmap& Picture) {
  const TOwnerWindow owner = MakeOwnerWindow();
  const TOpenClipboard open(owner.Get());
  HBITMAP copy = NewHandleOf(Picture);
  EmptyClipboard();
  if (!SetClipboardData(CF_BITMAP, copy)) {  // on success the clipboard owns the copy
    DeleteObject(copy);
    throw std::runtime_error("The picture cannot be put on the clipboard.");
  }
}

}  // namespace carvelo::addin
