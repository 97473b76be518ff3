#include "qsetup.h"

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <string>
#include <string_view>

#include "DialogForm_win.h"
#include "Glyphs_win.h"

namespace carvelo {

namespace {

enum : int {
  ID_ComboBox1 = 101,
  ID_TrackBar1,
  ID_TrackBar2,
  ID_ScaleRG,
  ID_chkScale,
  ID_Quality0 = 110,  // ScaleRG's buttons, one per item
};

// The settings' own item names (plain ASCII) as control texts.
std::wstring ItemText(std::string_view name) { return std::wstring(name.begin(), name.end()); }

// The sliders start at the settings' defaults.
constexpr TCarveSettings Defaults{};

struct TLabelSpec {
  const wchar_t* Caption;
  int Left, Top;
};
constexpr std::array<TLabelSpec, 6> Labels{{
    {L"Filter", 8, 27},
    {L"Stretch", 8, 72},
    {L"Interpolation", 205, 72},
    {L"Masque Weight", 8, 117},
    {L"o%", 26, 147},
    {L"100%", 205, 147},
}};

struct TBox {
  int Left, Top, Width, Height;
};
constexpr TBox ComboBox1Box{49, 24, 83, 21};
constexpr TBox TrackBar1Box{49, 64, 150, 31};
constexpr TBox TrackBar2Box{49, 136, 150, 33};
constexpr TBox OkBox{159, 192, 75, 25};
constexpr TBox CancelBox{240, 192, 75, 25};
constexpr TBox ScaleRGBox{288, 49, 161, 72};
constexpr TBox chkScaleBox{288, 26, 129, 17};

}  // namespace

class TSetupFrm::TForm final : public TDialogForm {
 public:
  explicit TForm(HINSTANCE module)
      : TDialogForm(module, TFormStyle{.Caption = L"Setup",
                                       .Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_3DLOOK,
                                       .ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST,
                                       .ClientWidth = 471,
                                       .ClientHeight = 238,
                                       .BorderWidth = 1,
                                       .Color = GetSysColor(COLOR_INACTIVEBORDER)}) {
    Create();
  }

  HWND ComboBox1 = nullptr, TrackBar1 = nullptr, TrackBar2 = nullptr, ScaleRG = nullptr, chkScale = nullptr;
  std::array<HWND, QualityNames.size()> QualityButtons{};

  void SetQualityIndex(int index) {
    for (size_t i = 0; i < QualityButtons.size(); ++i)
      SendMessageW(QualityButtons[i], BM_SETCHECK, static_cast<int>(i) == index ? BST_CHECKED : BST_UNCHECKED, 0);
    KeepTabStopOnCheckedItem();
  }
  int QualityIndex() const {
    for (size_t i = 0; i < QualityButtons.size(); ++i)
      if (SendMessageW(QualityButtons[i], BM_GETCHECK, 0, 0) == BST_CHECKED) return static_cast<int>(i);
    return -1;
  }

  // Keeps "Sampling quality" enabled exactly while "Scale before Carving" is checked.
  void chkScaleClick() {
    const BOOL enabled = SendMessageW(chkScale, BM_GETCHECK, 0, 0) == BST_CHECKED;
    EnableWindow(ScaleRG, enabled);
    for (HWND button : QualityButtons) EnableWindow(button, enabled);
  }

 private:
  void FormCreate() override {
    for (const auto& label : Labels) {
      const SIZE size = TextSize(label.Caption);
      AddControl(L"STATIC", label.Caption, SS_LEFT | SS_NOPREFIX, label.Left, label.Top, size.cx, size.cy);
    }

    // Tab order: ComboBox1, TrackBar1, TrackBar2, OK, Cancel, ScaleRG, chkScale.
    ComboBox1 = AddControl(WC_COMBOBOXW, L"", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP,
                           ComboBox1Box.Left, ComboBox1Box.Top, ComboBox1Box.Width, 200, ID_ComboBox1);
    for (std::string_view name : FilterNames)
      SendMessageW(ComboBox1, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ItemText(name).c_str()));
    SendMessageW(ComboBox1, CB_SETCURSEL, 0, 0);
    FitComboHeight(ComboBox1, ComboBox1Box.Height);

    TrackBar1 = AddTrackBar(TrackBar1Box, ID_TrackBar1, TCarveSettings::MaxStretch, 25, Defaults.Stretch);
    TrackBar2 = AddTrackBar(TrackBar2Box, ID_TrackBar2, TCarveSettings::MaxMasqueWeight, 4, Defaults.MasqueWeight);

    HWND ok = AddControl(WC_BUTTONW, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, OkBox.Left, OkBox.Top,
                         OkBox.Width, OkBox.Height, IDOK);
    HWND cancel = AddControl(WC_BUTTONW, L"Cancel", BS_PUSHBUTTON | WS_TABSTOP | WS_GROUP, CancelBox.Left,
                             CancelBox.Top, CancelBox.Width, CancelBox.Height, IDCANCEL);
    FOkGlyph = MakeGlyph(TGlyph::Check, GetSysColor(COLOR_BTNFACE));
    FCancelGlyph = MakeGlyph(TGlyph::Cross, GetSysColor(COLOR_BTNFACE));
    SetButtonGlyph(ok, FOkGlyph);
    SetButtonGlyph(cancel, FCancelGlyph);
    SetButtonModalResult(IDOK, TModalResult::Ok);
    SetButtonModalResult(IDCANCEL, TModalResult::Cancelled);

    ScaleRG = AddControl(WC_BUTTONW, L"Sampling quality", BS_GROUPBOX | WS_GROUP, ScaleRGBox.Left, ScaleRGBox.Top,
                         ScaleRGBox.Width, ScaleRGBox.Height, ID_ScaleRG);
    ArrangeQualityButtons();
    SetQualityIndex(2);

    // Wide enough for its caption should the font be wider than Tahoma (as
    // Wine's stand-in for it is); never narrower than the form's width.
    const int captionWidth = GetSystemMetrics(SM_CXMENUCHECK) + 6 + TextSize(L"Scale before Carving").cx;
    chkScale = AddControl(WC_BUTTONW, L"Scale before Carving", BS_AUTOCHECKBOX | WS_TABSTOP | WS_GROUP,
                          chkScaleBox.Left, chkScaleBox.Top, std::max(chkScaleBox.Width, captionWidth),
                          chkScaleBox.Height, ID_chkScale);
    SendMessageW(chkScale, BM_SETCHECK, BST_CHECKED, 0);
    chkScaleClick();
  }

  std::optional<LRESULT> FormMessage(UINT message, WPARAM w, LPARAM) override {
    if (message != WM_COMMAND || HIWORD(w) != BN_CLICKED) return std::nullopt;
    const int id = LOWORD(w);
    if (id == ID_chkScale) {
      chkScaleClick();
      return 0;
    }
    if (id >= ID_Quality0 && id < ID_Quality0 + static_cast<int>(QualityButtons.size())) {
      KeepTabStopOnCheckedItem();
      return 0;
    }
    return std::nullopt;
  }

  HWND AddTrackBar(const TBox& box, int id, int maximum, int frequency, int position) {
    HWND h = AddControl(TRACKBAR_CLASSW, L"", TBS_HORZ | TBS_BOTTOM | TBS_AUTOTICKS | WS_TABSTOP | WS_GROUP,
                        box.Left, box.Top, box.Width, box.Height, id);
    SendMessageW(h, TBM_SETRANGEMIN, FALSE, 0);
    SendMessageW(h, TBM_SETRANGEMAX, FALSE, maximum);
    SendMessageW(h, TBM_SETLINESIZE, 0, 1);
    SendMessageW(h, TBM_SETPAGESIZE, 0, 2);
    SendMessageW(h, TBM_SETTICFREQ, frequency, 0);
    SendMessageW(h, TBM_SETPOS, TRUE, position);
    return h;
  }

  // A drop-down list's closed height follows its font; its selection field
  // is sized so that the whole box has the wanted height.
  static void FitComboHeight(HWND combo, int height) {
    RECT r{};
    GetWindowRect(combo, &r);
    const int field = static_cast<int>(SendMessageW(combo, CB_GETITEMHEIGHT, static_cast<WPARAM>(-1), 0));
    const int wanted = field + height - (r.bottom - r.top);
    if (wanted > 0 && wanted != field) SendMessageW(combo, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), wanted);
  }

  // The items of a radio group share its inside below the caption line, one
  // row each, as the form designer lays them out.
  void ArrangeQualityButtons() {
    const int textHeight = FontTextHeight();
    const int count = static_cast<int>(QualityNames.size());
    const int inner = ScaleRGBox.Height - textHeight - 5;
    const int rowHeight = inner / count;
    const int topMargin = textHeight + 1 + (inner % count) / 2;
    for (int i = 0; i < count; ++i) {
      QualityButtons[i] =
          AddControl(WC_BUTTONW, ItemText(QualityNames[i]), BS_AUTORADIOBUTTON | (i == 0 ? WS_GROUP : 0),
                     ScaleRGBox.Left + 8, ScaleRGBox.Top + topMargin + i * rowHeight, ScaleRGBox.Width - 10 - 8,
                     rowHeight, ID_Quality0 + i);
    }
  }

  // Like a radio group, only the checked item is a tab stop.
  void KeepTabStopOnCheckedItem() {
    for (HWND button : QualityButtons) {
      LONG style = GetWindowLongW(button, GWL_STYLE);
      style = SendMessageW(button, BM_GETCHECK, 0, 0) == BST_CHECKED ? (style | WS_TABSTOP) : (style & ~WS_TABSTOP);
      SetWindowLongW(button, GWL_STYLE, style);
    }
  }

  SIZE TextSize(const wchar_t* text) const {
    SIZE size{0, 0};
    if (HDC dc = GetDC(Handle())) {
      HGDIOBJ old = SelectObject(dc, Font());
      GetTextExtentPoint32W(dc, text, static_cast<int>(std::wstring_view(text).size()), &size);
      SelectObject(dc, old);
      ReleaseDC(Handle(), dc);
    }
    return size;
  }

  int FontTextHeight() const {
    TEXTMETRICW metrics{};
    if (HDC dc = GetDC(Handle())) {
      HGDIOBJ old = SelectObject(dc, Font());
      GetTextMetricsW(dc, &metrics);
      SelectObject(dc, old);
      ReleaseDC(Handle(), dc);
    }
    return metrics.tmHeight;
  }

  TGdiBitmap FOkGlyph, FCancelGlyph;
};

TSetupFrm::TSetupFrm(HINSTANCE__* module) : FForm(std::make_unique<TForm>(module)) {}
TSetupFrm::~TSetupFrm() = default;

int TSetupFrm::FilterIndex() const {
  return static_cast<int>(SendMessageW(FForm->ComboBox1, CB_GETCURSEL, 0, 0));
}
void TSetupFrm::SetFilterIndex(int index) { SendMessageW(FForm->ComboBox1, CB_SETCURSEL, index, 0); }

int TSetupFrm::StretchPosition() const { return static_cast<int>(SendMessageW(FForm->TrackBar1, TBM_GETPOS, 0, 0)); }
void TSetupFrm::SetStretchPosition(int position) { SendMessageW(FForm->TrackBar1, TBM_SETPOS, TRUE, position); }

int TSetupFrm::MasqueWeightPosition() const {
  return static_cast<int>(SendMessageW(FForm->TrackBar2, TBM_GETPOS, 0, 0));
}
void TSetupFrm::SetMasqueWeightPosition(int position) {
  SendMessageW(FForm->TrackBar2, TBM_SETPOS, TRUE, position);
}

int TSetupFrm::QualityIndex() const { return FForm->QualityIndex(); }
void TSetupFrm::SetQualityIndex(int index) { FForm->SetQualityIndex(index); }

bool TSetupFrm::ScaleChecked() const { return SendMessageW(FForm->chkScale, BM_GETCHECK, 0, 0) == BST_CHECKED; }
void TSetupFrm::SetScaleChecked(bool checked) {
  SendMessageW(FForm->chkScale, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
  FForm->chkScaleClick();
}

bool TSetupFrm::QualityGroupEnabled() const { return IsWindowEnabled(FForm->ScaleRG) != FALSE; }

TModalResult TSetupFrm::ShowModal() { return FForm->ShowModal(); }

TModalResult ExecuteSetup(TCarveSettings& settings, HINSTANCE__* module) {
  TSetupFrm dialog(module);
  dialog.SetFilterIndex(settings.Filter);
  dialog.SetStretchPosition(settings.Stretch);
  dialog.SetMasqueWeightPosition(settings.MasqueWeight);
  dialog.SetQualityIndex(settings.SamplingQuality);
  dialog.SetScaleChecked(settings.ScaleBeforeCarving);
  const TModalResult result = dialog.ShowModal();
  if (result == TModalResult::Ok) {
    settings.Filter = static_cast<uint8_t>(dialog.FilterIndex());
    settings.Stretch = dialog.StretchPosition();
    settings.MasqueWeight = dialog.MasqueWeightPosition();
    settings.SamplingQuality = dialog.QualityIndex();
    settings.ScaleBeforeCarving = dialog.ScaleChecked();
  }
  return result;
}

}  // namespace carvelo
