// A small "form" on top of a Win32 dialog: created hidden, shown modally as
// often as wanted, closed with a modal result (TModalResult), with its own
// client size, colour, font and an optional inner border. Every window of
// the add-in is built on it (the settings dialog, the progress window, the
// mask editor, the about window); the GDI guards of Gdi_win.h come with it.
#pragma once

#include <windows.h>

#include <exception>
#include <map>
#include <optional>
#include <string>

#include "Gdi_win.h"
#include "ModalResult.h"

namespace carvelo {

// The module this code is linked into: a DLL or test program that links the
// UI library also carries its resources (manifest, pictures).
HINSTANCE UiModule();

// The comctl32 version 6 activation context of a module's own manifest
// (resource 2), so that a DLL gets the newer controls whatever its host uses.
class TActivationContext {
 public:
  class TScope {
   public:
    TScope() = default;
    explicit TScope(ULONG_PTR cookie) : FCookie(cookie), FActive(true) {}
    TScope(TScope&& other) noexcept : FCookie(other.FCookie), FActive(other.FActive) { other.FActive = false; }
    TScope& operator=(TScope&&) = delete;
    ~TScope();

   private:
    ULONG_PTR FCookie = 0;
    bool FActive = false;
  };

  explicit TActivationContext(HINSTANCE module);
  TActivationContext(const TActivationContext&) = delete;
  TActivationContext& operator=(const TActivationContext&) = delete;
  ~TActivationContext();

  // Active until the scope ends; a module without a manifest gives an empty scope.
  [[nodiscard]] TScope Activate() const;

 private:
  HANDLE FContext = INVALID_HANDLE_VALUE;
};

// Tahoma 8 point, the font of every form (height -11 at 96 dots per inch).
TFont MakeFormFont(int height = -11, int weight = FW_NORMAL);

class TDialogForm {
 public:
  TDialogForm(const TDialogForm&) = delete;
  TDialogForm& operator=(const TDialogForm&) = delete;
  virtual ~TDialogForm();

  HWND Handle() const { return FHandle; }
  HINSTANCE Module() const { return FModule; }

  // Centres the form on the screen, shows it and runs its messages until a
  // modal result is set; the thread's other windows take no input meanwhile.
  // Returns the modal result; the form stays alive, hidden.
  TModalResult ShowModal();
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult result);

 protected:
  struct TFormStyle {
    std::wstring Caption;
    DWORD Style = WS_POPUP;
    DWORD ExStyle = 0;
    int ClientWidth = 0;
    int ClientHeight = 0;
    int BorderWidth = 0;      // inner border in the form's colour, around the client area
    COLORREF Color = RGB(0, 0, 0);
  };

  TDialogForm(HINSTANCE module, TFormStyle style);

  // Makes the window; call at the end of the derived constructor, once the
  // members that FormCreate uses exist. Throws when the window can't be made.
  void Create();

  // Creates the child controls (from WM_INITDIALOG).
  virtual void FormCreate() {}
  // Runs before every showing.
  virtual void FormShow() {}
  // A message for the derived form; a value means "handled, this result".
  virtual std::optional<LRESULT> FormMessage(UINT, WPARAM, LPARAM) { return std::nullopt; }

  // A child control in tab order (creation order), with the form's font.
  HWND AddControl(const wchar_t* windowClass, const std::wstring& text, DWORD style, int left, int top, int width,
                  int height, int id = 0, DWORD exStyle = 0);
  // A button whose click closes the form with the given modal result.
  void SetButtonModalResult(int id, TModalResult result) { FButtonResults[id] = result; }

  HFONT Font() const { return FFont.Get(); }
  COLORREF Color() const { return FStyle.Color; }
  HBRUSH ColorBrush() const { return FBrush.Get(); }

 private:
  static INT_PTR CALLBACK DialogProc(HWND, UINT, WPARAM, LPARAM);
  INT_PTR Dispatch(UINT, WPARAM, LPARAM);
  void FitToClientSize();
  void CenterOnScreen();
  void PaintInnerBorder();

  HINSTANCE FModule;
  TFormStyle FStyle;
  TActivationContext FActivation;
  TFont FFont;
  TBrush FBrush;
  HWND FHandle = nullptr;
  TModalResult FModalResult = TModalResult::None;
  std::map<int, TModalResult> FButtonResults;
  std::exception_ptr FCreateError;
};

}  // namespace carvelo
