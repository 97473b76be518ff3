// PowerPoint's windows, selection, shapes and slides as the add-in uses
// them. Late-bound; sizes in points as singles, indexes from 1, every
// failure raises EHostError.
#pragma once

#include <string>

#include "Dispatch.h"

namespace carvelo::host {

class TShape {
 public:
  explicit TShape(com::TDispatch shape) : shape_(std::move(shape)) {}
  IDispatch* Get() const noexcept { return shape_.Get(); }

  int Type() const;
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
  // msoTrue (-1) when resizing keeps the proportions, msoFalse (0) when not.
  int LockAspectRatio() const;
  void SetLockAspectRatio(int value) const;

 private:
  com::TDispatch shape_;
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

 private:
  com::TDispatch shapes_;
};

class TSlide {
 public:
  explicit TSlide(com::TDispatch slide) : slide_(std::move(slide)) {}
  int SlideIndex() const;
  TShapes Shapes() const;

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
