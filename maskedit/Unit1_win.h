// TPaintFrm, the mask editor window of "Edit Mask": a toolbar with six
// grouped tools, the pen-size drop-down, Cancel and "Carvelo !" above an
// image view (Box) showing the marked copy of the picture. The rules live in
// TPaintFrmModel (Unit1.h); this adds the window, the toolbar and its icons,
// the outline drawn on the view's surface, Timer1, the pointer confinement,
// the platform's wide pen and Ctrl+Z.
//
// Use, as "Edit Mask" does:
//   TPaintFrm Form;                                   // a new window per command
//   if (ExecutePaintForm(Form, Working) == TModalResult::Ok)  // "Carvelo !"; Cancel or the close box: Cancelled
//     ...carve with Form.MarkedPicture() as the mask, then free Form
// ExecutePaintForm hands over the working picture (any depth; both copies
// become 24-bit), runs Prepare and shows the window modally. The marked
// picture is a 24-bit carvelo::TBitmap of the working picture's size, owned
// by the window: read it before the window goes.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>

#include "DialogForm_win.h"
#include "Unit1.h"
#include "VuImageBox_win.h"

namespace carvelo {

class TPaintFrm final : public TDialogForm {
 public:
  // Command identifiers of the toolbar's buttons and the pen-size items.
  enum : int {
    idToolButton1 = 101,  // Move
    idtb_erase,
    idtb_green,
    idtb_red,
    idToolButton5,        // Square - Protect
    idToolButton8,        // Square - Delete
    idToolButton2,        // pen size drop-down
    idToolButton6,        // Cancel
    idToolButton3,        // Carvelo !
    idN11 = 201,          // pen sizes 3, 6, 9, 12
    idN21,
    idN31,
    idN41,
  };
  static constexpr UINT_PTR Timer1Id = 1;
  static constexpr int ToolBarHeight = 25;  // Panel1

  // Without an owner; `Module` holds the UI resources (the manifest). Throws
  // when the window can't be made.
  explicit TPaintFrm(HINSTANCE Module = nullptr);
  ~TPaintFrm() override;

  // The working picture: the reference and the marked copies are made of it.
  void SetPictures(const TBitmap& Working);
  void Prepare();
  // Shows the window until "Carvelo !" (1), Cancel or the close box (2).
  TModalResult ShowModal();
  const TBitmap& MarkedPicture() const;

  TVuImageBox& Box() { return *FBox; }
  TPaintFrmModel& Editor();
  HWND ToolBar1() const { return FToolBar1; }

 protected:
  void FormCreate() override;
  std::optional<LRESULT> FormMessage(UINT Message, WPARAM WParam, LPARAM LParam) override;

 private:
  class TEditor;
  void CreateToolBar1();
  void CreatePopupMenu1();
  void Command(int Id);
  void ShowPopupMenu1();
  void PenSizeChosen(int Item);
  void FormClose();
  static LRESULT CALLBACK BoxKeys(HWND, UINT, WPARAM, LPARAM);

  struct TImageList;
  std::unique_ptr<TImageList> FImageList3;
  std::unique_ptr<TVuImageBox> FBox;        // before the editor, which uses it
  std::unique_ptr<TEditor> FEditor;
  WNDPROC FBoxProc = nullptr;               // the view's own, under Ctrl+Z
  HWND FToolBar1 = nullptr;
  HMENU FPopupMenu1 = nullptr;
  TGdiBitmap FMenuImages[4];
};

// Gives the window the working picture, prepares it and shows it modally;
// returns Ok when the user starts the carve, Cancelled when the editor was
// cancelled.
TModalResult ExecutePaintForm(TPaintFrm& Form, const TBitmap& Working);

}  // namespace carvelo
