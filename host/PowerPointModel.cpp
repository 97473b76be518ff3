#include "PowerPointModel.h"

#include "HostError.h"

namespace carvelo::host {

using namespace carvelo::com;

int TShape::Type() const { return shape_.GetProperty(L"Type").ToInt(); }
float TShape::Width() const { return shape_.GetProperty(L"Width").ToSingle(); }
float TShape::Height() const { return shape_.GetProperty(L"Height").ToSingle(); }
float TShape::Top() const { return shape_.GetProperty(L"Top").ToSingle(); }
float TShape::Left() const { return shape_.GetProperty(L"Left").ToSingle(); }
void TShape::SetWidth(float width) const { shape_.PutProperty(L"Width", TVariant::Single(width)); }
void TShape::SetHeight(float height) const { shape_.PutProperty(L"Height", TVariant::Single(height)); }
void TShape::Copy() const { shape_.CallMethod(L"Copy"); }
void TShape::ScaleHeight(float factor, int relativeToOriginalSize, int scaleFrom) const {
  shape_.CallMethod(L"ScaleHeight",
                    {TVariant::Single(factor), TVariant::Int(relativeToOriginalSize), TVariant::Int(scaleFrom)});
}
void TShape::ScaleWidth(float factor, int relativeToOriginalSize, int scaleFrom) const {
  shape_.CallMethod(L"ScaleWidth",
                    {TVariant::Single(factor), TVariant::Int(relativeToOriginalSize), TVariant::Int(scaleFrom)});
}
void TShape::Delete() const { shape_.CallMethod(L"Delete"); }
int TShape::LockAspectRatio() const { return shape_.GetProperty(L"LockAspectRatio").ToInt(); }
void TShape::SetLockAspectRatio(int value) const { shape_.PutProperty(L"LockAspectRatio", TVariant::Int(value)); }

int TShapeRange::Count() const { return range_.GetProperty(L"Count").ToInt(); }
int TShapeRange::Type() const { return range_.GetProperty(L"Type").ToInt(); }
TShape TShapeRange::Item(int index) const { return TShape(range_.Object(L"Item", {TVariant::Int(index)})); }
void TShapeRange::SetTop(float top) const { range_.PutProperty(L"Top", TVariant::Single(top)); }
void TShapeRange::SetLeft(float left) const { range_.PutProperty(L"Left", TVariant::Single(left)); }
void TShapeRange::SetWidth(float width) const { range_.PutProperty(L"Width", TVariant::Single(width)); }
void TShapeRange::SetHeight(float height) const { range_.PutProperty(L"Height", TVariant::Single(height)); }
int TShapeRange::LockAspectRatio() const { return range_.GetProperty(L"LockAspectRatio").ToInt(); }
void TShapeRange::SetLockAspectRatio(int value) const {
  range_.PutProperty(L"LockAspectRatio", TVariant::Int(value));
}

int TSlideRange::SlideID() const { return range_.GetProperty(L"SlideID").ToInt(); }

int TSelection::Type() const { return selection_.GetProperty(L"Type").ToInt(); }
TShapeRange TSelection::ShapeRange() const { return TShapeRange(selection_.Object(L"ShapeRange")); }
TSlideRange TSelection::SlideRange() const { return TSlideRange(selection_.Object(L"SlideRange")); }

int TPane::ViewType() const { return pane_.GetProperty(L"ViewType").ToInt(); }

TSelection TDocumentWindow::Selection() const { return TSelection(window_.Object(L"Selection")); }
int TDocumentWindow::ViewType() const { return window_.GetProperty(L"ViewType").ToInt(); }
TPane TDocumentWindow::ActivePane() const { return TPane(window_.Object(L"ActivePane")); }

TShapeRange TShapes::Paste() const {
  ComPtr<IDispatch> pasted = shapes_.CallMethod(L"Paste").ToObject();
  if (!pasted) throw EHostError(E_POINTER, "Shapes.Paste gave Nothing");
  return TShapeRange(TDispatch(std::move(pasted)));
}

int TSlide::SlideIndex() const { return slide_.GetProperty(L"SlideIndex").ToInt(); }
TShapes TSlide::Shapes() const { return TShapes(slide_.Object(L"Shapes")); }

TSlide TSlides::FindBySlideID(int slideId) const {
  return TSlide(slides_.Object(L"FindBySlideID", {TVariant::Int(slideId)}));
}
TSlide TSlides::Item(int index) const { return TSlide(slides_.Object(L"Item", {TVariant::Int(index)})); }

TSlides TPresentation::Slides() const { return TSlides(presentation_.Object(L"Slides")); }

}  // namespace carvelo::host
