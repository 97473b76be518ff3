#include "DialogForm_win.h"

#include <commctrl.h>

#include <cstring>
#include <stdexcept>
#include <system_error>
#include <vector>

namespace carvelo {

namespace {

// The manifest that asks for comctl32 version 6 (in the module's resources).
constexpr WORD ManifestResource = 2;

[[noreturn]] void ThrowLastError(const char* what) {
  throw std::system_error(static_cast<int>(GetLastError()), std::system_category(), what);
}

// While a form is modal, the thread's other windows (the host's) take no input.
class TThreadWindowsDisabled {
 public:
  explicit TThreadWindowsDisabled(HWND except) : FExcept(except) {
    EnumThreadWindows(GetCurrentThreadId(), &Collect, reinterpret_cast<LPARAM>(this));
    for (HWND h : FWindows) EnableWindow(h, FALSE);
  }
  TThreadWindowsDisabled(const TThreadWindowsDisabled&) = delete;
  TThreadWindowsDisabled& operator=(const TThreadWindowsDisabled&) = delete;
  ~TThreadWindowsDisabled() {
    for (HWND h : FWindows)
      if (IsWindow(h)) EnableWindow(h, TRUE);
  }

 private:
  static BOOL CALLBACK Collect(HWND h, LPARAM self) {
    auto* me = reinterpret_cast<TThreadWindowsDisabled*>(self);
    if (h != me->FExcept && IsWindowVisible(h) && IsWindowEnabled(h)) me->FWindows.push_back(h);
    return TRUE;
  }
  HWND FExcept;
  std::vector<HWND> FWindows;
};

// A DLGTEMPLATE without controls: the forms create their controls themselves,
// at pixel positions.
std::vector<DWORD> EmptyDialogTemplate(DWORD style, DWORD exStyle, const std::wstring& caption) {
  std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
  DLGTEMPLATE header{};
  header.style = style;
  header.dwExtendedStyle = exStyle;
  std::memcpy(words.data(), &header, sizeof header);
  words.push_back(0);  // no menu
  words.push_back(0);  // the standard dialog class
  for (wchar_t c : caption) words.push_back(static_cast<WORD>(c));
  words.push_back(0);
  std::vector<DWORD> aligned((words.size() + 1) / 2, 0);
  std::memcpy(aligned.data(), words.data(), words.size() * sizeof(WORD));
  return aligned;
}

// What a dialog procedure returns for a message that a form handled.
INT_PTR DialogResult(HWND h, UINT message, LRESULT result) {
  switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
      return static_cast<INT_PTR>(result);
    default:
      SetWindowLongPtrW(h, DWLP_MSGRESULT, result);
      return TRUE;
  }
}

}  // namespace

HINSTANCE UiModule() {
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&UiModule), &module);
  return module;
}

TActivationContext::TActivationContext(HINSTANCE module) {
  if (!module || !FindResourceW(module, MAKEINTRESOURCEW(ManifestResource), MAKEINTRESOURCEW(24))) return;
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(module, path, MAX_PATH);
  ACTCTXW context{};
  context.cbSize = sizeof context;
  context.dwFlags = ACTCTX_FLAG_HMODULE_VALID | ACTCTX_FLAG_RESOURCE_NAME_VALID;
  context.lpSource = path;
  context.hModule = module;
  context.lpResourceName = MAKEINTRESOURCEW(ManifestResource);
  FContext = CreateActCtxW(&context);
}

TActivationContext::~TActivationContext() {
  if (FContext != INVALID_HANDLE_VALUE) ReleaseActCtx(FContext);
}

TActivationContext::TScope TActivationContext::Activate() const {
  ULONG_PTR cookie = 0;
  if (FContext != INVALID_HANDLE_VALUE && ActivateActCtx(FContext, &cookie)) return TScope(cookie);
  return TScope();
}

TActivationContext::TScope::~TScope() {
  if (FActive) DeactivateActCtx(0, FCookie);
}

TFont MakeFormFont(int height, int weight) {
  return TFont(CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"Tahoma"));
}

TDialogForm::TDialogForm(HINSTANCE module, TFormStyle style)
    : FModule(module ? module : UiModule()),
      FStyle(std::move(style)),
      FActivation(FModule),
      FFont(MakeFormFont()),
      FBrush(CreateSolidBrush(FStyle.Color)) {}

TDialogForm::~TDialogForm() {
  if (!FHandle) return;
  // The derived form is gone already: its messages must not reach it.
  SetWindowLongPtrW(FHandle, DWLP_USER, 0);
  DestroyWindow(FHandle);
}

void TDialogForm::Create() {
  auto scope = FActivation.Activate();
  INITCOMMONCONTROLSEX classes{sizeof classes, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&classes);
  const auto dialog = EmptyDialogTemplate(FStyle.Style & ~WS_VISIBLE, FStyle.ExStyle, FStyle.Caption);
  HWND h = CreateDialogIndirectParamW(FModule, reinterpret_cast<const DLGTEMPLATE*>(dialog.data()), nullptr,
                                      &DialogProc, reinterpret_cast<LPARAM>(this));
  if (FCreateError) {
    if (h) DestroyWindow(h);
    FHandle = nullptr;
    std::rethrow_exception(FCreateError);
  }
  if (!h) ThrowLastError("CreateDialogIndirectParam");
  FHandle = h;
}

HWND TDialogForm::AddControl(const wchar_t* windowClass, const std::wstring& text, DWORD style, int left, int top,
                             int width, int height, int id, DWORD exStyle) {
  HWND h = CreateWindowExW(exStyle, windowClass, text.c_str(), style | WS_CHILD | WS_VISIBLE, left, top, width, height,
                           FHandle, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), FModule, nullptr);
  if (!h) ThrowLastError("CreateWindowEx");
  SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(FFont.Get()), FALSE);
  return h;
}

void TDialogForm::SetModalResult(TModalResult result) {
  FModalResult = result;
  // A result set from a sent message must still wake the modal loop.
  if (FHandle) PostMessageW(FHandle, WM_NULL, 0, 0);
}

void TDialogForm::FitToClientSize() {
  // The frame is measured, not computed from the styles: the inner border
  // is ours. A client area squeezed to nothing hides part of the frame, so
  // measure again after the first resize.
  for (int attempt = 0; attempt < 3; ++attempt) {
    RECT window{}, client{};
    GetWindowRect(FHandle, &window);
    GetClientRect(FHandle, &client);
    if (client.right == FStyle.ClientWidth && client.bottom == FStyle.ClientHeight) return;
    const int frameX = (window.right - window.left) - client.right;
    const int frameY = (window.bottom - window.top) - client.bottom;
    SetWindowPos(FHandle, nullptr, 0, 0, FStyle.ClientWidth + frameX, FStyle.ClientHeight + frameY,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
}

void TDialogForm::CenterOnScreen() {
  RECT window{};
  GetWindowRect(FHandle, &window);
  const int width = window.right - window.left;
  const int height = window.bottom - window.top;
  SetWindowPos(FHandle, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TDialogForm::PaintInnerBorder() {
  if (FStyle.BorderWidth <= 0) return;
  RECT window{}, client{};
  GetWindowRect(FHandle, &window);
  GetClientRect(FHandle, &client);
  POINT origin{0, 0};
  ClientToScreen(FHandle, &origin);
  RECT ring{origin.x - window.left, origin.y - window.top, origin.x - window.left + client.right,
            origin.y - window.top + client.bottom};
  HDC dc = GetWindowDC(FHandle);
  if (!dc) return;
  for (int i = 0; i < FStyle.BorderWidth; ++i) {
    InflateRect(&ring, 1, 1);
    FrameRect(dc, &ring, FBrush.Get());
  }
  ReleaseDC(FHandle, dc);
}

TModalResult TDialogForm::ShowModal() {
  if (!FHandle) return TModalResult::Cancelled;
  auto scope = FActivation.Activate();
  FModalResult = TModalResult::None;
  FormShow();
  CenterOnScreen();
  {
    TThreadWindowsDisabled others(FHandle);
    ShowWindow(FHandle, SW_SHOWNORMAL);
    SetActiveWindow(FHandle);
    HWND first = nullptr;
    for (HWND c = GetWindow(FHandle, GW_CHILD); c && !first; c = GetWindow(c, GW_HWNDNEXT))
      if ((GetWindowLongW(c, GWL_STYLE) & (WS_TABSTOP | WS_DISABLED | WS_VISIBLE)) == (WS_TABSTOP | WS_VISIBLE))
        first = c;
    if (first) SendMessageW(FHandle, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(first), TRUE);

    while (FModalResult == TModalResult::None && IsWindow(FHandle)) {
      MSG msg;
      const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
      if (got <= 0) {
        // Someone ends the thread's loop: close, and pass the quit on.
        if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
        FModalResult = TModalResult::Cancelled;
        break;
      }
      if (!IsDialogMessageW(FHandle, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
    }
  }
  if (IsWindow(FHandle)) ShowWindow(FHandle, SW_HIDE);
  return FModalResult;
}

INT_PTR CALLBACK TDialogForm::DialogProc(HWND h, UINT message, WPARAM w, LPARAM l) {
  TDialogForm* self = nullptr;
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<TDialogForm*>(l);
    SetWindowLongPtrW(h, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    self->FHandle = h;
  } else {
    self = reinterpret_cast<TDialogForm*>(GetWindowLongPtrW(h, DWLP_USER));
  }
  if (!self) return FALSE;
  try {
    return self->Dispatch(message, w, l);
  } catch (...) {
    // Nothing may leave a dialog procedure; a failure while building the
    // controls is rethrown by Create().
    if (message == WM_INITDIALOG) self->FCreateError = std::current_exception();
    return FALSE;
  }
}

INT_PTR TDialogForm::Dispatch(UINT message, WPARAM w, LPARAM l) {
  const HWND h = FHandle;
  if (message == WM_INITDIALOG) {
    FormCreate();
    FitToClientSize();
    return FALSE;  // focus is set when the form is shown
  }
  if (auto result = FormMessage(message, w, l)) return DialogResult(h, message, *result);

  switch (message) {
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(FBrush.Get());
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
      SetBkColor(reinterpret_cast<HDC>(w), FStyle.Color);
      return reinterpret_cast<INT_PTR>(FBrush.Get());
    case WM_NCCALCSIZE:
      if (FStyle.BorderWidth > 0) {
        const LRESULT result = DefWindowProcW(h, message, w, l);
        RECT* client = w ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(l)->rgrc[0] : reinterpret_cast<RECT*>(l);
        InflateRect(client, -FStyle.BorderWidth, -FStyle.BorderWidth);
        return DialogResult(h, message, result);
      }
      return FALSE;
    case WM_NCPAINT:
    case WM_NCACTIVATE:
      if (FStyle.BorderWidth > 0) {
        const LRESULT result = DefWindowProcW(h, message, w, l);
        PaintInnerBorder();
        return DialogResult(h, message, result);
      }
      return FALSE;
    case WM_CLOSE:
      SetModalResult(TModalResult::Cancelled);
      return TRUE;
    case WM_COMMAND: {
      // Buttons (BN_CLICKED), and Esc/Enter from the dialog manager, which
      // come without a control handle when the control does not exist.
      const auto found = FButtonResults.find(LOWORD(w));
      if (found != FButtonResults.end() && (HIWORD(w) == BN_CLICKED || l == 0)) {
        SetModalResult(found->second);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

}  // namespace carvelo
