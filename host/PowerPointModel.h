// PowerPoint's windows, selection, shapes and slides as the add-in uses
// them. Late-bound; sizes in points as singles, indexes from 1, every
// failure raises EHostError.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "Dispatch.h"

namespace carvelo::host {

class TTags;
class TActionSetting;

// Shape.Line as far as the border is kept: MsoTriState Visible, Weight in
// points, ForeColor.RGB, MsoLineDashStyle.
struct TLineLook {
  int visible;
  float weight;
  int32_t rgb;
  int dashStyle;
};
// Shape.Shadow: MsoTriState Visible and its offsets in points.
struct TShadowLook {
  int visible;
  float offsetX, offsetY;
};

class TShape {
 public:
  explicit TShape(com::TDispatch shape) : shape_(std::move(shape)) {}
  IDispatch* Get() const noexcept { return shape_.Get(); }
  const com::TDispatch& Object() const noexcept { return shape_; }
  bool Has(std::wstring_view member) const noexcept { return shape_.HasMember(member); }

  int Type() const;
  // PlaceholderFormat.ContainedType: what a placeholder (Type 14) holds.
  int PlaceholderContainedType() const;
  // Whether `other` is this very shape: by Id where the host has it.
  bool SameAs(const TShape& other) const;
  int Id() const;
  std::wstring Name() const;
  void SetName(std::wstring_view name) const;
  std::wstring AlternativeText() const;
  void SetAlternativeText(std::wstring_view text) const;
  std::wstring Title() const;
  void SetTitle(std::wstring_view text) const;
  float Rotation() const;
  void SetRotation(float degrees) const;
  // MsoTriState; read-only, reproduced with Flip(MsoFlipCmd).
  int HorizontalFlip() const;
  int VerticalFlip() const;
  void Flip(int flipCommand) const;
  // 1 at the back; ZOrder(MsoZOrderCmd) moves the shape.
  int ZOrderPosition() const;
  void ZOrder(int zOrderCommand) const;
  TTags Tags() const;
  // ActionSettings(ppMouseClick 1 / ppMouseOver 2).
  TActionSetting ActionSettings(int activation) const;
  TLineLook Line() const;
  void SetLine(const TLineLook& line) const;  // Visible first, then the rest
  TShadowLook Shadow() const;
  void SetShadow(const TShadowLook& shadow) const;
  float Width() const;
  float Height() const;
  float Top() const;
  float Left() const;
  void SetWidth(float width) const;
  void SetHeight(float height) const;
  void Copy() const;  // a rendering of the shape goes to the clipboard
  // ScaleHeight/ScaleWidth(Factor, RelativeToOriginalSize, fScale).
  void ScaleHeight(float factor, int relativeToOriginalSize, int scaleFrom) const;
  void ScaleWidth(float factor, int relativeToOriginalSize, int scaleFrom) const;
  void Delete() const;
  // Makes the shape the selection, where the host can select by code.
  void Select() const;
  // msoTrue (-1) when resizing keeps the proportions, msoFalse (0) when not.
  int LockAspectRatio() const;
  void SetLockAspectRatio(int value) const;

 private:
  com::TDispatch shape_;
};

class TTags {
 public:
  explicit TTags(com::TDispatch tags) : tags_(std::move(tags)) {}
  int Count() const;
  std::wstring Name(int index) const;
  std::wstring Value(int index) const;
  void Add(std::wstring_view name, std::wstring_view value) const;

 private:
  com::TDispatch tags_;
};

class THyperlink {
 public:
  explicit THyperlink(com::TDispatch link) : link_(std::move(link)) {}
  std::wstring Address() const;
  std::wstring SubAddress() const;
  std::wstring ScreenTip() const;
  void SetAddress(std::wstring_view text) const;
  void SetSubAddress(std::wstring_view text) const;
  void SetScreenTip(std::wstring_view text) const;

 private:
  com::TDispatch link_;
};

class TActionSetting {
 public:
  explicit TActionSetting(com::TDispatch setting) : setting_(std::move(setting)) {}
  int Action() const;  // PpActionType
  void SetAction(int action) const;
  std::wstring Run() const;  // the macro or program
  void SetRun(std::wstring_view text) const;
  THyperlink Hyperlink() const;

 private:
  com::TDispatch setting_;
};

class TEffect {
 public:
  explicit TEffect(com::TDispatch effect) : effect_(std::move(effect)) {}
  TShape Shape() const;
  void SetShape(const TShape& shape) const;
  // Timing.TriggerShape: the shape whose click starts the effect.
  TShape TriggerShape() const;
  void SetTriggerShape(const TShape& shape) const;

 private:
  com::TDispatch effect_;
};

class TSequence {
 public:
  explicit TSequence(com::TDispatch sequence) : sequence_(std::move(sequence)) {}
  int Count() const;
  TEffect Item(int index) const;

 private:
  com::TDispatch sequence_;
};

class TTimeLine {
 public:
  explicit TTimeLine(com::TDispatch timeLine) : timeLine_(std::move(timeLine)) {}
  TSequence MainSequence() const;
  // The interactive sequences: Count, then Item(i) of each.
  int InteractiveSequenceCount() const;
  TSequence InteractiveSequence(int index) const;

 private:
  com::TDispatch timeLine_;
};

class TShapeRange {
 public:
  explicit TShapeRange(com::TDispatch range) : range_(std::move(range)) {}
  IDispatch* Get() const noexcept { return range_.Get(); }

  int Count() const;
  int Type() const;
  TShape Item(int index) const;
  void SetTop(float top) const;
  void SetLeft(float left) const;
  void SetWidth(float width) const;
  void SetHeight(float height) const;
  int LockAspectRatio() const;
  void SetLockAspectRatio(int value) const;

 private:
  com::TDispatch range_;
};

class TSlideRange {
 public:
  explicit TSlideRange(com::TDispatch range) : range_(std::move(range)) {}
  int SlideID() const;

 private:
  com::TDispatch range_;
};

class TSelection {
 public:
  explicit TSelection(com::TDispatch selection) : selection_(std::move(selection)) {}
  IDispatch* Get() const noexcept { return selection_.Get(); }

  int Type() const;
  TShapeRange ShapeRange() const;
  TSlideRange SlideRange() const;

 private:
  com::TDispatch selection_;
};

class TPane {
 public:
  explicit TPane(com::TDispatch pane) : pane_(std::move(pane)) {}
  int ViewType() const;

 private:
  com::TDispatch pane_;
};

class TDocumentWindow {
 public:
  explicit TDocumentWindow(com::TDispatch window) : window_(std::move(window)) {}
  TSelection Selection() const;
  int ViewType() const;
  TPane ActivePane() const;

 private:
  com::TDispatch window_;
};

class TShapes {
 public:
  explicit TShapes(com::TDispatch shapes) : shapes_(std::move(shapes)) {}
  // Pastes the clipboard on top of the slide's shapes: the pasted shapes.
  TShapeRange Paste() const;
  // Pastes the clipboard's data of one PpPasteDataType; the host raises an
  // error when the clipboard holds none.
  bool HasPasteSpecial() const noexcept { return shapes_.HasMember(L"PasteSpecial"); }
  TShapeRange PasteSpecial(int dataType) const;
  // Inserts the picture file, embedded (not linked), at left, top, width,
  // height points; with AddPicture2, where the host has it, uncompressed.
  TShape AddPicture(const std::wstring& file, float left, float top, float width, float height) const;
  int Count() const;
  TShape Item(int index) const;

 private:
  com::TDispatch shapes_;
};

class TSlide {
 public:
  explicit TSlide(com::TDispatch slide) : slide_(std::move(slide)) {}
  int SlideIndex() const;
  TShapes Shapes() const;
  bool HasTimeLine() const noexcept { return slide_.HasMember(L"TimeLine"); }
  TTimeLine TimeLine() const;

 private:
  com::TDispatch slide_;
};

class TSlides {
 public:
  explicit TSlides(com::TDispatch slides) : slides_(std::move(slides)) {}
  TSlide FindBySlideID(int slideId) const;
  TSlide Item(int index) const;

 private:
  com::TDispatch slides_;
};

class TPresentation {
 public:
  explicit TPresentation(com::TDispatch presentation) : presentation_(std::move(presentation)) {}
  TSlides Slides() const;

 private:
  com::TDispatch presentation_;
};

}  // namespace carvelo::host
