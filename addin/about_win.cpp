#include "about.h"

#include <algorithm>
#include <array>
#include <span>

#include "DialogForm_win.h"
#include "Glyphs_win.h"
#include "JpegBitmap_win.h"
#include "about_res.h"

#include <shellapi.h>

namespace carvelo {

namespace {

// A label as the form lays it out: a width of 0 sizes it to its text.
struct TLabelSpec {
  int Left, Top;
  int Width, Height;
  bool WordWrap;
  bool Link;
  const wchar_t* Caption;
};

constexpr std::array<TLabelSpec, 10> LabelSpecs{{
    /* lbl_title */ {313, 8, 0, 0, false, false, AboutTitle},
    /* Label10 */ {465, 8, 0, 0, false, false, L""},
    /* Label4 */ {313, 27, 0, 0, false, true, AboutWebSite},
    /* Label8 */ {313, 54, 0, 0, false, false, L"Carvelo Help online:"},
    /* Label9 */ {313, 73, 207, 25, true, true, AboutHelpPage},
    /* Label5 */ {314, 104, 0, 0, false, false, L"Get technical support:"},
    /* Label6 */ {314, 123, 0, 0, false, true, AboutSupportAddress},
    /* Label1 */
    {314, 156, 118, 52, true, false,
     L"This program is protected by copyright law and treaties."},
    /* Label2 */
    {314, 208, 179, 78, true, false,
     L"Unauthorized reproduction or distribution of this program, or of any part of it, will be prosecuted to the "
     L"full extent of the law."},
    /* Label7 */ {14, 320, 0, 0, false, false, L"\u00A9 2026 The Carvelo developers. All rights reserved."},
}};

constexpr int ClientWidth = 528;
constexpr int ClientHeight = 346;
constexpr COLORREF LinkColour = RGB(0, 0, 255);
constexpr COLORREF TextColour = RGB(0, 0, 0);
constexpr int NoLabel = -1;

std::wstring CurrentDirectory() {
  std::wstring directory(MAX_PATH, L'\0');
  DWORD length = GetCurrentDirectoryW(static_cast<DWORD>(directory.size()), directory.data());
  if (length > directory.size()) {
    directory.resize(length);
    length = GetCurrentDirectoryW(length, directory.data());
  }
  directory.resize(length);
  return directory;
}

std::span<const uint8_t> ResourceBytes(HINSTANCE module, int id) {
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10) /* RT_RCDATA */);
  if (!found) return {};
  HGLOBAL loaded = LoadResource(module, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return {};
  return {static_cast<const uint8_t*>(bytes), SizeofResource(module, found)};
}

class TPaint {
 public:
  explicit TPaint(HWND h) : FWindow(h), FDC(BeginPaint(h, &FPaint)) {}
  TPaint(const TPaint&) = delete;
  TPaint& operator=(const TPaint&) = delete;
  ~TPaint() { EndPaint(FWindow, &FPaint); }
  HDC Get() const { return FDC; }

 private:
  HWND FWindow;
  PAINTSTRUCT FPaint{};
  HDC FDC;
};

}  // namespace

class TAboutFrm::TForm final : public TDialogForm {
 public:
  explicit TForm(HINSTANCE module)
      : TDialogForm(module, TFormStyle{.Caption = L"About",
                                       .Style = WS_POPUP | WS_CLIPCHILDREN,
                                       .ExStyle = 0,
                                       .ClientWidth = ClientWidth,
                                       .ClientHeight = ClientHeight,
                                       .BorderWidth = 1,
                                       .Color = RGB(0, 0, 0)}),
        FLinkFont(MakeFormFont(-11, FW_BOLD)) {
    for (size_t i = 0; i < LabelSpecs.size(); ++i) FCaptions[i] = LabelSpecs[i].Caption;
    FPicture = MakeJpegBitmap(ResourceBytes(Module(), IDR_ABOUT_PICTURE));
    Create();
  }

  std::array<std::wstring, LabelSpecs.size()> FCaptions;
  TGdiBitmap FPicture;
  TShellOpen FShellOpen;

  void SetCaption(TAboutLabel label, std::wstring caption) {
    FCaptions[static_cast<size_t>(label)] = std::move(caption);
    if (Handle()) InvalidateRect(Handle(), nullptr, FALSE);
  }
  const std::wstring& Caption(TAboutLabel label) const { return FCaptions[static_cast<size_t>(label)]; }

 private:
  void FormCreate() override {
    HWND close = AddControl(L"BUTTON", L"Close", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, 419, 308, 90, 25, IDCANCEL);
    FCloseGlyph = MakeGlyph(TGlyph::Door, GetSysColor(COLOR_BTNFACE));
    SetButtonGlyph(close, FCloseGlyph);
    SetButtonModalResult(IDCANCEL, TModalResult::Cancelled);
  }

  void FormShow() override {
    SetCaption(TAboutLabel::Label10, AboutBuild);
    SetHotLink(NoLabel);
  }

  std::optional<LRESULT> FormMessage(UINT message, WPARAM w, LPARAM l) override {
    switch (message) {
      case WM_ERASEBKGND:
        return 1;  // WM_PAINT covers everything
      case WM_PAINT:
        Paint();
        return 0;
      case WM_MOUSEMOVE:
        SetHotLink(LinkAt(l));
        return 0;
      case WM_MOUSELEAVE:
        FTracking = false;
        SetHotLink(NoLabel);
        return 0;
      case WM_SETCURSOR:
        if (reinterpret_cast<HWND>(w) == Handle() && LOWORD(l) == HTCLIENT) {
          SetCursor(FCursor);
          return TRUE;
        }
        return std::nullopt;
      case WM_LBUTTONDOWN:
        FPressed = LinkAt(l);
        if (FPressed != NoLabel) SetCapture(Handle());
        return 0;
      case WM_LBUTTONUP: {
        const int pressed = FPressed;
        FPressed = NoLabel;
        if (pressed == NoLabel) return 0;
        ReleaseCapture();
        if (LinkAt(l) == pressed) LinkClick(static_cast<TAboutLabel>(pressed));
        return 0;
      }
      case WM_CAPTURECHANGED:
        FPressed = NoLabel;
        return 0;
      default:
        return std::nullopt;
    }
  }

  HFONT LabelFont(size_t i) const { return LabelSpecs[i].Link ? FLinkFont.Get() : Font(); }

  RECT Bounds(HDC dc, size_t i) const {
    const TLabelSpec& spec = LabelSpecs[i];
    RECT r{spec.Left, spec.Top, spec.Left + spec.Width, spec.Top + spec.Height};
    // The build text follows the title on its line; a font wider than
    // Tahoma's (Wine's stand-in) would otherwise run the two into each other.
    if (i == static_cast<size_t>(TAboutLabel::Label10))
      r.left = r.right = std::max<LONG>(r.left, Bounds(dc, static_cast<size_t>(TAboutLabel::lbl_title)).right);
    if (spec.Width == 0) {
      TSelected font(dc, LabelFont(i));
      const std::wstring& text = FCaptions[i];
      DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    }
    return r;
  }

  int LinkAt(LPARAM l) const {
    const POINT p{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
    TWindowDC dc(Handle());
    for (size_t i = 0; i < LabelSpecs.size(); ++i) {
      if (!LabelSpecs[i].Link) continue;
      const RECT r = Bounds(dc.Get(), i);
      if (PtInRect(&r, p)) return static_cast<int>(i);
    }
    return NoLabel;
  }

  // URLMouseEnter / URLMouseLeave: the pointing hand while over a link.
  void SetHotLink(int link) {
    if (link == FHot) return;
    FHot = link;
    FCursor = LoadCursorW(nullptr, link == NoLabel ? IDC_ARROW : IDC_HAND);
    if (link != NoLabel && !FTracking) {
      TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, Handle(), 0};
      FTracking = TrackMouseEvent(&track) != FALSE;
    }
    if (IsWindowVisible(Handle())) {
      POINT p{};
      GetCursorPos(&p);
      if (WindowFromPoint(p) == Handle()) SetCursor(FCursor);
    }
  }

  // Label4Click, Label6Click, Label9Click.
  void LinkClick(TAboutLabel link) {
    const std::wstring& site = Caption(TAboutLabel::Label4);
    switch (link) {
      case TAboutLabel::Label4:
        Open(site);
        break;
      case TAboutLabel::Label6:
        Open(L"mailto:" + Caption(TAboutLabel::Label6));
        break;
      case TAboutLabel::Label9:
        Open(site + L"/" + Caption(TAboutLabel::Label9));
        break;
      default:
        break;
    }
  }

  // The shell's answer is not checked: a link that can't be opened does nothing.
  void Open(const std::wstring& file) {
    const TShellRequest request{L"open", file, CurrentDirectory(), SW_SHOWNORMAL};
    if (TShellOpen open = FShellOpen) {
      open(request);
      return;
    }
    ShellExecuteW(Handle(), request.Verb.c_str(), request.File.c_str(), nullptr, request.Directory.c_str(),
                  request.ShowCommand);
  }

  void Paint() {
    TPaint paint(Handle());
    RECT client{};
    GetClientRect(Handle(), &client);
    TMemoryDC canvas(paint.Get());
    TGdiBitmap buffer(CreateCompatibleBitmap(paint.Get(), client.right, client.bottom));
    if (!canvas.Get() || !buffer) return;
    TSelected target(canvas.Get(), buffer.Get());
    FillRect(canvas.Get(), &client, ColorBrush());
    if (FPicture) {
      TMemoryDC source(paint.Get());
      TSelected picture(source.Get(), FPicture.Get());
      BitBlt(canvas.Get(), 0, 0, client.right, client.bottom, source.Get(), 0, 0, SRCCOPY);
    }
    SetBkMode(canvas.Get(), TRANSPARENT);
    for (size_t i = 0; i < LabelSpecs.size(); ++i) {
      RECT r = Bounds(canvas.Get(), i);
      TSelected font(canvas.Get(), LabelFont(i));
      SetTextColor(canvas.Get(), LabelSpecs[i].Link ? LinkColour : TextColour);
      const UINT format = DT_NOPREFIX | (LabelSpecs[i].WordWrap ? DT_WORDBREAK : DT_SINGLELINE);
      DrawTextW(canvas.Get(), FCaptions[i].c_str(), static_cast<int>(FCaptions[i].size()), &r, format);
    }
    BitBlt(paint.Get(), 0, 0, client.right, client.bottom, canvas.Get(), 0, 0, SRCCOPY);
  }

  TFont FLinkFont;
  TGdiBitmap FCloseGlyph;
  HCURSOR FCursor = LoadCursorW(nullptr, IDC_ARROW);  // shared system cursors, never destroyed
  int FHot = NoLabel;
  int FPressed = NoLabel;
  bool FTracking = false;
};

TAboutFrm::TAboutFrm(HINSTANCE__* module) : FForm(std::make_unique<TForm>(module)) {}
TAboutFrm::~TAboutFrm() = default;

std::wstring TAboutFrm::Caption(TAboutLabel label) const { return FForm->Caption(label); }
void TAboutFrm::SetCaption(TAboutLabel label, std::wstring caption) { FForm->SetCaption(label, std::move(caption)); }
bool TAboutFrm::HasPicture() const { return static_cast<bool>(FForm->FPicture); }
void TAboutFrm::SetShellOpen(TShellOpen open) { FForm->FShellOpen = std::move(open); }
TModalResult TAboutFrm::ShowModal() { return FForm->ShowModal(); }

TModalResult ExecuteAbout(TAboutFrm& about) {
  about.SetCaption(TAboutLabel::lbl_title, AboutTitle);
  about.SetCaption(TAboutLabel::Label9, AboutHelpPage);
  return about.ShowModal();
}

}  // namespace carvelo
