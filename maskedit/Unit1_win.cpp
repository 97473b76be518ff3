#include "Unit1_win.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <string>

namespace carvelo {

namespace {

// ---------------------------------------------------------------------------
// The twelve 16 x 16 icons of ImageList3, drawn at run time.

constexpr int IconSize = 16;
constexpr COLORREF IconBackground = RGB(255, 0, 255);  // transparent in the image list
constexpr int PenSizeIcon = 8;                         // 8..11: the pen sizes

void FillBox(HDC DC, COLORREF Color, RECT R) {
  TBrush Brush(CreateSolidBrush(Color));
  FillRect(DC, &R, Brush.Get());
}

void Polyline(HDC DC, COLORREF Color, int Width, std::initializer_list<POINT> Points) {
  TGdiObject<HPEN> Pen(CreatePen(PS_SOLID, Width, Color));
  TSelected Selected(DC, Pen.Get());
  ::Polyline(DC, Points.begin(), static_cast<int>(Points.size()));
}

void Shape(HDC DC, COLORREF Fill, COLORREF Edge, std::initializer_list<POINT> Points) {
  TGdiObject<HPEN> Pen(CreatePen(PS_SOLID, 1, Edge));
  TBrush Brush(CreateSolidBrush(Fill));
  TSelected SelectedPen(DC, Pen.Get());
  TSelected SelectedBrush(DC, Brush.Get());
  Polygon(DC, Points.begin(), static_cast<int>(Points.size()));
}

constexpr COLORREF IconGreen = RGB(0, 160, 0);
constexpr COLORREF IconRed = RGB(220, 0, 0);

// A pencil lying from the bottom left to the top right.
void Pencil(HDC DC) {
  Shape(DC, RGB(250, 200, 40), RGB(120, 80, 0), {{4, 8}, {10, 2}, {13, 5}, {7, 11}});
  Shape(DC, RGB(240, 140, 160), RGB(120, 80, 0), {{10, 2}, {11, 1}, {14, 4}, {13, 5}});
  Shape(DC, RGB(235, 210, 170), RGB(120, 80, 0), {{4, 8}, {7, 11}, {2, 13}});
  FillBox(DC, RGB(0, 0, 0), {1, 13, 3, 15});
}

void BlueSquare(HDC DC) {
  FillBox(DC, RGB(0, 0, 120), {1, 1, 12, 12});
  FillBox(DC, RGB(40, 90, 230), {2, 2, 11, 11});
}

// A badge in the bottom right corner: a plus or a minus on a white ground.
void Badge(HDC DC, COLORREF Color, bool Plus) {
  FillBox(DC, RGB(255, 255, 255), Plus ? RECT{8, 8, 16, 16} : RECT{7, 10, 16, 15});
  FillBox(DC, Color, {8, 11, 15, 14});
  if (Plus) FillBox(DC, Color, {10, 9, 13, 16});
}

void DrawIcon(HDC DC, int Index) {
  switch (Index) {
    case 0:  // Move: four green arrows
      Polyline(DC, IconGreen, 2, {{8, 3}, {8, 13}});
      Polyline(DC, IconGreen, 2, {{3, 8}, {13, 8}});
      Shape(DC, IconGreen, IconGreen, {{8, 0}, {11, 3}, {5, 3}});
      Shape(DC, IconGreen, IconGreen, {{8, 15}, {5, 12}, {11, 12}});
      Shape(DC, IconGreen, IconGreen, {{0, 8}, {3, 5}, {3, 11}});
      Shape(DC, IconGreen, IconGreen, {{15, 8}, {12, 11}, {12, 5}});
      break;
    case 1: BlueSquare(DC); Badge(DC, IconRed, false); break;     // Square - Delete
    case 2: BlueSquare(DC); Badge(DC, IconGreen, true); break;    // Square - Protect
    case 3:                                                       // Erase
      Pencil(DC);
      Polyline(DC, IconGreen, 2, {{15, 13}, {10, 13}});
      Shape(DC, IconGreen, IconGreen, {{8, 13}, {11, 10}, {11, 16}});
      break;
    case 4: Pencil(DC); Badge(DC, IconRed, false); break;         // Pencil - Remove
    case 5: Pencil(DC); Badge(DC, IconGreen, true); break;        // Pencil - Protect
    case 6:                                                       // Cancel
      Polyline(DC, IconRed, 3, {{3, 3}, {12, 12}});
      Polyline(DC, IconRed, 3, {{12, 3}, {3, 12}});
      break;
    case 7:  // Start: a picture with a green arrow
      FillBox(DC, RGB(60, 60, 60), {0, 1, 12, 12});
      FillBox(DC, RGB(140, 200, 255), {1, 2, 11, 11});
      Shape(DC, RGB(60, 150, 60), RGB(60, 150, 60), {{1, 10}, {5, 6}, {8, 8}, {10, 7}, {10, 10}});
      FillBox(DC, RGB(255, 220, 0), {7, 3, 9, 5});
      Shape(DC, IconGreen, RGB(0, 90, 0), {{8, 11}, {12, 11}, {12, 8}, {16, 12}, {12, 16}, {12, 13}, {8, 13}});
      break;
    default: {  // the pen sizes: a black bar across the cell, 3, 6, 9 or 12 pixels thick
      const int Thickness = PenWidths[static_cast<size_t>(Index - PenSizeIcon)];
      FillBox(DC, RGB(0, 0, 0), {0, (IconSize - Thickness) / 2, IconSize, (IconSize - Thickness) / 2 + Thickness});
      break;
    }
  }
}

TGdiBitmap MakeIcon(int Index, COLORREF Background) {
  TWindowDC Screen;
  TMemoryDC DC(Screen.Get());
  TGdiBitmap Bitmap(CreateCompatibleBitmap(Screen.Get(), IconSize, IconSize));
  if (!DC.Get() || !Bitmap) return TGdiBitmap();
  TSelected Selected(DC.Get(), Bitmap.Get());
  FillBox(DC.Get(), Background, {0, 0, IconSize, IconSize});
  DrawIcon(DC.Get(), Index);
  return Bitmap;
}

const wchar_t* ToolTipOf(int Id) {
  switch (Id) {
    case TPaintFrm::idToolButton1: return L"Move";
    case TPaintFrm::idtb_erase: return L"Erase";
    case TPaintFrm::idtb_green: return L"Pencil - Protect";
    case TPaintFrm::idtb_red: return L"Pencil - Remove";
    case TPaintFrm::idToolButton5: return L"Square - Protect";
    case TPaintFrm::idToolButton8: return L"Square - Delete";
    case TPaintFrm::idToolButton6: return L"Cancel";
    case TPaintFrm::idToolButton3: return L"Carvelo !";
    default: return nullptr;
  }
}

RECT RectOf(const TRect& R) { return {R.Left, R.Top, R.Right, R.Bottom}; }

constexpr wchar_t BoxKeysProperty[] = L"CarveloPaintFrm";

}  // namespace

// ---------------------------------------------------------------------------
// The editor's rules on the window: the view's cursor and surface, Timer1,
// the pointer held inside the view and the platform's wide pen.

class TPaintFrm::TEditor final : public TPaintFrmModel {
 public:
  TEditor(HWND Form, TVuImageBox& View) : TPaintFrmModel(View), FForm(Form), FView(View) {}
  ~TEditor() override {
    if (FConfined) ClipCursor(nullptr);
  }

  // FViewCanvas: the view's client area, for the outline only.
  void CreateViewCanvas() { FViewCanvas = std::make_unique<TWindowDC>(FView.Handle()); }

 protected:
  void SetViewCursor(TCursor Cursor) override { FView.SetCursor(Cursor); }

  // From the view's client origin on the screen, as wide and high as the
  // view's outer size.
  void ConfinePointer(bool Confined) override {
    FConfined = Confined;
    if (!Confined) {
      ClipCursor(nullptr);
      return;
    }
    POINT Origin{0, 0};
    ClientToScreen(FView.Handle(), &Origin);
    RECT Outer{};
    GetWindowRect(FView.Handle(), &Outer);
    const RECT Area{Origin.x, Origin.y, Origin.x + (Outer.right - Outer.left), Origin.y + (Outer.bottom - Outer.top)};
    ClipCursor(&Area);
  }

  void SetTimer1(bool Enabled) override {
    if (Enabled) SetTimer(FForm, Timer1Id, Timer1Interval, nullptr);
    else KillTimer(FForm, Timer1Id);
  }

  void SetViewPixel(int32_t X, int32_t Y, uint32_t Color) override {
    if (FViewCanvas && FViewCanvas->Get()) SetPixelV(FViewCanvas->Get(), X, Y, Color);
  }

  // Only the band is redrawn from the picture, at once. Whatever was waiting
  // to be painted is painted first, so that leaving out the band's inside
  // can't swallow it.
  void RepaintBand(const TOutlineBand& Band) override {
    UpdateWindow(FView.Handle());
    const RECT Outer = RectOf(Band.Outer);
    InvalidateRect(FView.Handle(), &Outer, TRUE);
    if (Band.Inner.Width() > 0 && Band.Inner.Height() > 0) {
      const RECT Inner = RectOf(Band.Inner);
      ValidateRect(FView.Handle(), &Inner);
    }
    UpdateWindow(FView.Handle());
  }

  // The segment drawn with the platform's wide pen (solid, round ends and
  // joins) into a monochrome bitmap of the segment's surroundings.
  void StrokeCoverage(TPoint From, TPoint To, int32_t Width, const TRect& Clip, const TCoverageSink& Covered) override {
    const int32_t Reach = Width / 2 + 2;
    const TRect Area{std::max(std::min(From.X, To.X) - Reach, Clip.Left), std::max(std::min(From.Y, To.Y) - Reach, Clip.Top),
                     std::min(std::max(From.X, To.X) + Reach + 1, Clip.Right),
                     std::min(std::max(From.Y, To.Y) + Reach + 1, Clip.Bottom)};
    if (Area.Width() <= 0 || Area.Height() <= 0) return;
    struct {
      BITMAPINFOHEADER Header;
      RGBQUAD Colors[2];
    } Info{};
    Info.Header.biSize = sizeof Info.Header;
    Info.Header.biWidth = Area.Width();
    Info.Header.biHeight = -Area.Height();
    Info.Header.biPlanes = 1;
    Info.Header.biBitCount = 1;
    Info.Colors[1] = {255, 255, 255, 0};
    void* Bits = nullptr;
    TGdiBitmap Mask(CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&Info), DIB_RGB_COLORS, &Bits,
                                     nullptr, 0));
    TMemoryDC DC(nullptr);
    if (!Mask || !DC.Get()) {
      StrokeCoverageOf(From, To, Width, Clip, Covered);
      return;
    }
    const size_t Stride = size_t((Area.Width() + 31) / 32) * 4;
    std::memset(Bits, 0xFF, Stride * size_t(Area.Height()));
    {
      TSelected SelectedMask(DC.Get(), Mask.Get());
      TGdiObject<HPEN> Pen(CreatePen(PS_SOLID, Width, RGB(0, 0, 0)));
      TSelected SelectedPen(DC.Get(), Pen.Get());
      MoveToEx(DC.Get(), From.X - Area.Left, From.Y - Area.Top, nullptr);
      LineTo(DC.Get(), To.X - Area.Left, To.Y - Area.Top);
      GdiFlush();
    }
    for (int32_t Y = 0; Y < Area.Height(); ++Y) {
      const uint8_t* Row = static_cast<const uint8_t*>(Bits) + size_t(Y) * Stride;
      for (int32_t X = 0; X < Area.Width(); ++X)
        if (!(Row[X >> 3] & (0x80 >> (X & 7)))) Covered(X + Area.Left, Y + Area.Top);
    }
  }

 private:
  HWND FForm;
  TVuImageBox& FView;
  std::unique_ptr<TWindowDC> FViewCanvas;
  bool FConfined = false;
};

// ---------------------------------------------------------------------------
// TPaintFrm

struct TPaintFrm::TImageList {
  HIMAGELIST Handle = ImageList_Create(IconSize, IconSize, ILC_COLOR24 | ILC_MASK, 12, 0);
  TImageList() {
    for (int Index = 0; Index < 12; ++Index) {
      const TGdiBitmap Icon = MakeIcon(Index, IconBackground);
      ImageList_AddMasked(Handle, Icon.Get(), IconBackground);
    }
  }
  TImageList(const TImageList&) = delete;
  TImageList& operator=(const TImageList&) = delete;
  ~TImageList() {
    if (Handle) ImageList_Destroy(Handle);
  }
};

TPaintFrm::TPaintFrm(HINSTANCE Module)
    : TDialogForm(Module, {.Caption = L"Carvelo - Edit Masque",
                           .Style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                                    WS_MAXIMIZEBOX | WS_CLIPCHILDREN,
                           .ExStyle = WS_EX_TOPMOST | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT,
                           .ClientWidth = 632,
                           .ClientHeight = 372,
                           .BorderWidth = 0,
                           .Color = GetSysColor(COLOR_BTNFACE)}) {
  Create();
}

TPaintFrm::~TPaintFrm() {
  if (Handle()) KillTimer(Handle(), Timer1Id);
  if (FToolBar1) SendMessageW(FToolBar1, TB_SETIMAGELIST, 0, 0);
  if (FBox && FBoxProc) {
    SetWindowLongPtrW(FBox->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FBoxProc));
    RemovePropW(FBox->Handle(), BoxKeysProperty);
  }
  FEditor.reset();
  FBox.reset();
  if (FPopupMenu1) DestroyMenu(FPopupMenu1);
}

void TPaintFrm::FormCreate() {
  FImageList3 = std::make_unique<TImageList>();
  CreateToolBar1();
  CreatePopupMenu1();
  FBox = std::make_unique<TVuImageBox>(Handle(), 0, ToolBarHeight, 632, 347);
  FEditor = std::make_unique<TEditor>(Handle(), *FBox);
  FBox->OnMouseDown = [this](TMouseButton B, TShiftState S, int32_t X, int32_t Y) { FEditor->BoxMouseDown(B, S, X, Y); };
  FBox->OnMouseMove = [this](TShiftState S, int32_t X, int32_t Y) { FEditor->BoxMouseMove(S, X, Y); };
  FBox->OnMouseUp = [this](TMouseButton B, TShiftState S, int32_t X, int32_t Y) { FEditor->BoxMouseUp(B, S, X, Y); };
  SetPropW(FBox->Handle(), BoxKeysProperty, this);
  FBoxProc = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(FBox->Handle(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&BoxKeys)));
}

// Six grouped tools, a separator, the pen-size drop-down, a wider
// separator, Cancel and "Carvelo !": left edges 0, 23, ... 235, 258.
void TPaintFrm::CreateToolBar1() {
  FToolBar1 = AddControl(TOOLBARCLASSNAMEW, L"",
                         TBSTYLE_TOOLTIPS | CCS_NORESIZE | CCS_NOPARENTALIGN | CCS_NODIVIDER, 1, 1, 630, 24);
  SendMessageW(FToolBar1, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  SendMessageW(FToolBar1, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
  SendMessageW(FToolBar1, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(FImageList3->Handle));
  SendMessageW(FToolBar1, TB_SETBITMAPSIZE, 0, MAKELPARAM(IconSize, IconSize));
  SendMessageW(FToolBar1, TB_SETBUTTONSIZE, 0, MAKELPARAM(23, 22));
  const auto Button = [](int Image, int Id, BYTE Style, BYTE State = TBSTATE_ENABLED) {
    TBBUTTON B{};
    B.iBitmap = Image;
    B.idCommand = Id;
    B.fsState = State;
    B.fsStyle = Style;
    return B;
  };
  const TBBUTTON Buttons[] = {
      Button(0, idToolButton1, BTNS_CHECKGROUP, TBSTATE_ENABLED | TBSTATE_CHECKED),
      Button(3, idtb_erase, BTNS_CHECKGROUP),
      Button(5, idtb_green, BTNS_CHECKGROUP),
      Button(4, idtb_red, BTNS_CHECKGROUP),
      Button(2, idToolButton5, BTNS_CHECKGROUP),
      Button(1, idToolButton8, BTNS_CHECKGROUP),
      Button(12, 0, BTNS_SEP, 0),  // ToolButton4: a separator's image is its width
      Button(PenSizeIcon, idToolButton2, BTNS_DROPDOWN),
      Button(49, 0, BTNS_SEP, 0),  // ToolButton10
      Button(6, idToolButton6, BTNS_BUTTON),
      Button(7, idToolButton3, BTNS_BUTTON),
  };
  SendMessageW(FToolBar1, TB_ADDBUTTONSW, std::size(Buttons), reinterpret_cast<LPARAM>(Buttons));
  // The drop-down button is a button and its arrow, 36 pixels together.
  TBBUTTONINFOW Size{};
  Size.cbSize = sizeof Size;
  Size.dwMask = TBIF_SIZE;
  Size.cx = 36;
  SendMessageW(FToolBar1, TB_SETBUTTONINFOW, idToolButton2, reinterpret_cast<LPARAM>(&Size));
}

void TPaintFrm::CreatePopupMenu1() {
  FPopupMenu1 = CreatePopupMenu();
  if (!FPopupMenu1) return;
  const COLORREF MenuColor = GetSysColor(COLOR_MENU);
  for (int Item = 0; Item < 4; ++Item) {
    FMenuImages[Item] = MakeIcon(PenSizeIcon + Item, MenuColor);
    std::wstring Text = std::to_wstring(PenWidths[static_cast<size_t>(Item)]);
    MENUITEMINFOW Info{};
    Info.cbSize = sizeof Info;
    Info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING | MIIM_BITMAP | MIIM_STATE;
    Info.fType = MFT_RADIOCHECK;
    Info.fState = Item == 0 ? MFS_CHECKED : MFS_UNCHECKED;
    Info.wID = static_cast<UINT>(idN11 + Item);
    Info.dwTypeData = Text.data();
    Info.hbmpItem = FMenuImages[Item].Get();
    InsertMenuItemW(FPopupMenu1, static_cast<UINT>(Item), TRUE, &Info);
  }
}

void TPaintFrm::SetPictures(const TBitmap& Working) { FEditor->SetPictures(Working); }

const TBitmap& TPaintFrm::MarkedPicture() const { return FEditor->MarkedPicture(); }

TPaintFrmModel& TPaintFrm::Editor() { return *FEditor; }

void TPaintFrm::Prepare() {
  FEditor->Prepare();
  FEditor->CreateViewCanvas();
  SendMessageW(FToolBar1, TB_CHECKBUTTON, idToolButton1, TRUE);
  SendMessageW(FToolBar1, TB_CHANGEBITMAP, idToolButton2, MAKELPARAM(PenSizeIcon, 0));
  SendMessageW(FToolBar1, TB_CHECKBUTTON, idToolButton2, FALSE);
  CheckMenuRadioItem(FPopupMenu1, idN11, idN41, idN11, MF_BYCOMMAND);
}

TModalResult TPaintFrm::ShowModal() {
  const TModalResult Result = TDialogForm::ShowModal();
  FormClose();
  return Result;
}

void TPaintFrm::FormClose() { FEditor->FormClose(); }

void TPaintFrm::ShowPopupMenu1() {
  RECT Button{};
  SendMessageW(FToolBar1, TB_GETRECT, idToolButton2, reinterpret_cast<LPARAM>(&Button));
  MapWindowPoints(FToolBar1, nullptr, reinterpret_cast<POINT*>(&Button), 2);
  TrackPopupMenuEx(FPopupMenu1, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, Button.left, Button.bottom, Handle(),
                   nullptr);
}

// The chosen item becomes the checked one; the drop-down button shows its
// bar and its check.
void TPaintFrm::PenSizeChosen(int Item) {
  FEditor->PenSizeClick(static_cast<size_t>(Item));
  CheckMenuRadioItem(FPopupMenu1, idN11, idN41, static_cast<UINT>(idN11 + Item), MF_BYCOMMAND);
  SendMessageW(FToolBar1, TB_CHANGEBITMAP, idToolButton2, MAKELPARAM(PenSizeIcon + Item, 0));
  SendMessageW(FToolBar1, TB_CHECKBUTTON, idToolButton2, TRUE);
}

void TPaintFrm::Command(int Id) {
  switch (Id) {
    case idToolButton1: FEditor->ToolButton1Click(); break;
    case idtb_erase: FEditor->tb_eraseClick(); break;
    case idtb_green: FEditor->tb_greenClick(); break;
    case idtb_red: FEditor->tb_redClick(); break;
    case idToolButton5: FEditor->ToolButton5Click(); break;
    case idToolButton8: FEditor->ToolButton8Click(); break;
    case idToolButton2: ShowPopupMenu1(); break;
    case idToolButton6: SetModalResult(TModalResult::Cancelled); break;  // Button1Click
    case idToolButton3:                                   // ToolButton3Click
      FBox->SetCursor(crArrow);
      SetModalResult(TModalResult::Ok);
      break;
    case idN11:
    case idN21:
    case idN31:
    case idN41: PenSizeChosen(Id - idN11); break;
    default: break;
  }
}

std::optional<LRESULT> TPaintFrm::FormMessage(UINT Message, WPARAM WParam, LPARAM LParam) {
  switch (Message) {
    case WM_COMMAND:
      if (LOWORD(WParam) >= idToolButton1 && LOWORD(WParam) <= idN41 && FEditor) {
        Command(LOWORD(WParam));
        return 0;
      }
      break;
    case WM_NOTIFY: {
      const auto* Header = reinterpret_cast<const NMHDR*>(LParam);
      if (Header->code == TBN_DROPDOWN && Header->hwndFrom == FToolBar1) {
        ShowPopupMenu1();
        return TBDDRET_DEFAULT;
      }
      if (Header->code == TTN_GETDISPINFOW) {
        auto* Tip = reinterpret_cast<NMTTDISPINFOW*>(LParam);
        if (const wchar_t* Text = ToolTipOf(static_cast<int>(Header->idFrom))) Tip->lpszText = const_cast<wchar_t*>(Text);
        return 0;
      }
      break;
    }
    case WM_TIMER:
      if (WParam == Timer1Id && FEditor) {
        FEditor->Timer1Timer();
        return 0;
      }
      break;
    case WM_SIZE:  // the view follows the window's size
      if (FBox) FBox->SetBounds(0, ToolBarHeight, LOWORD(LParam), std::max(HIWORD(LParam) - ToolBarHeight, 0));
      break;
    default:
      break;
  }
  return std::nullopt;
}

// Ctrl+Z reaches the view, which has the keyboard focus while the editor is
// up; the view's own procedure gets every other message.
LRESULT CALLBACK TPaintFrm::BoxKeys(HWND Window, UINT Message, WPARAM WParam, LPARAM LParam) {
  auto* Self = static_cast<TPaintFrm*>(GetPropW(Window, BoxKeysProperty));
  if (!Self) return DefWindowProcW(Window, Message, WParam, LParam);
  if (Message == WM_KEYDOWN && WParam == 'Z' && GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0 &&
      GetKeyState(VK_SHIFT) >= 0) {
    try {
      Self->FEditor->Undo();
    } catch (...) {
      // Nothing may unwind through the window manager.
    }
    return 0;
  }
  return CallWindowProcW(Self->FBoxProc, Window, Message, WParam, LParam);
}

TModalResult ExecutePaintForm(TPaintFrm& Form, const TBitmap& Working) {
  Form.SetPictures(Working);
  Form.Prepare();
  return Form.ShowModal();
}

}  // namespace carvelo
