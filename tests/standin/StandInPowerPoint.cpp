#include "StandInPowerPoint.h"

#include <algorithm>
#include <iterator>
#include <cmath>

#include "HostIds.h"
#include "StandInClipboard.h"
#include "StandInPictureFile.h"
#include "StandInPowerPoint_parts.h"

namespace carvelo::standin {

using namespace carvelo::com;
using namespace carvelo::host;

namespace {
enum : DISPID {
  idItem = DISPID_VALUE,
  idCount = 1,
  idName,
  idType,
  idLeft,
  idTop,
  idWidth,
  idHeight,
  idScaleHeight,
  idScaleWidth,
  idCopy,
  idDelete,
  idPaste,
  idSlideID,
  idSlideIndex,
  idShapes,
  idSlides,
  idFindBySlideID,
  idViewType,
  idActivePane,
  idSelection,
  idShapeRange,
  idSlideRange,
  idCommandBars,
  idActiveWindow,
  idActivePresentation,
  idVersion,
  idZOrderPosition,
  idLockAspectRatio,
  idId,
  idAlternativeText,
  idTitle,
  idRotation,
  idHorizontalFlip,
  idVerticalFlip,
  idFlip,
  idZOrder,
  idTags,
  idActionSettings,
  idPlaceholderFormat,
  idTimeLine,
  idStartNewUndoEntry,
  idLine,
  idShadow,
  idPasteSpecial,
  idAddPicture,
  idAddPicture2,
  idSelect,
};

// MsoZOrderCmd and MsoFlipCmd.
enum : int { msoBringToFront = 0, msoSendToBack = 1, msoBringForward = 2, msoSendBackward = 3 };
enum : int { msoFlipHorizontal = 0, msoFlipVertical = 1 };

// Errors as PowerPoint reports them.
constexpr HRESULT kInvalidRequest = static_cast<HRESULT>(0x80048240);
constexpr HRESULT kNothingSelected = static_cast<HRESULT>(0x80048240);
constexpr HRESULT kDeleted = static_cast<HRESULT>(0x80048240);
constexpr HRESULT kNoActiveWindow = static_cast<HRESULT>(0x80048240);

constexpr float kPointsPerPixel = 0.75f;  // 96 pixels to the inch

void CheckAlive(bool deleted) {
  if (deleted) Raise(kDeleted, L"Shape (unknown member) : Object does not exist.");
}

float Single(const TVariant& v) { return v.ToSingle(); }
// MsoTriState as PowerPoint stores it: any non-zero value is msoTrue.
int TriState(const TVariant& value) { return value.ToInt() != msoFalse ? msoTrue : msoFalse; }

int CombinedType(const std::vector<ComPtr<TStandInShape>>& shapes) {
  if (shapes.empty()) return msoShapeTypeMixed;
  const int first = shapes.front()->type;
  for (const auto& s : shapes)
    if (s->type != first) return msoShapeTypeMixed;
  return first;
}
}  // namespace

// ---- shape ----

TStandInShape::TStandInShape(TStandInSlide* slide, std::wstring shapeName, int shapeType)
    : TStandInObject(nullptr, nullptr), name(std::move(shapeName)), type(shapeType), slide_(slide) {}

std::span<const TMember> TStandInShape::Members() const {
  static const TMember members[] = {
      {L"Name", idName},       {L"Type", idType},
      {L"Left", idLeft},       {L"Top", idTop},
      {L"Width", idWidth},     {L"Height", idHeight},
      {L"ScaleHeight", idScaleHeight}, {L"ScaleWidth", idScaleWidth},
      {L"Copy", idCopy},       {L"Delete", idDelete},
      {L"ZOrderPosition", idZOrderPosition},
      {L"LockAspectRatio", idLockAspectRatio},
      {L"Id", idId},           {L"AlternativeText", idAlternativeText},
      {L"Title", idTitle},     {L"Rotation", idRotation},
      {L"HorizontalFlip", idHorizontalFlip}, {L"VerticalFlip", idVerticalFlip},
      {L"Flip", idFlip},       {L"ZOrder", idZOrder},
      {L"Select", idSelect},
      {L"Tags", idTags},       {L"ActionSettings", idActionSettings},
      {L"PlaceholderFormat", idPlaceholderFormat},
      {L"Line", idLine},       {L"Shadow", idShadow},
  };
  return members;
}

bool TStandInShape::IsPicture() const noexcept {
  return type == msoPicture || (type == msoPlaceholder && containedType == msoPicture);
}

int TStandInShape::ZOrderPosition() const {
  const auto& list = slide_->ShapeList();
  const auto it = std::find_if(list.begin(), list.end(), [&](const auto& s) { return s.Get() == this; });
  return static_cast<int>(it - list.begin()) + 1;
}

void TStandInShape::ZOrder(int command) {
  auto& list = slide_->ShapeList();
  const size_t at = static_cast<size_t>(ZOrderPosition() - 1);
  ComPtr<TStandInShape> self = list[at];
  size_t to = at;
  switch (command) {
    case msoBringToFront: to = list.size() - 1; break;
    case msoSendToBack: to = 0; break;
    case msoBringForward: to = std::min(at + 1, list.size() - 1); break;
    case msoSendBackward: to = at == 0 ? 0 : at - 1; break;
    default: Raise(E_INVALIDARG, L"Shape.ZOrder : Invalid enumeration value.");
  }
  list.erase(list.begin() + static_cast<std::ptrdiff_t>(at));
  list.insert(list.begin() + static_cast<std::ptrdiff_t>(to), self);
  if (slide_->Presentation()->onChange) slide_->Presentation()->onChange();
}

void TStandInShape::SetName(const std::wstring& newName) {
  if (newName.empty()) Raise(E_INVALIDARG, L"Shape.Name : Invalid request. The name cannot be empty.");
  // Guess: stricter than PowerPoint may be, no two shapes of a slide share
  // a name here, so that code that briefly gives two shapes one name shows.
  for (const auto& s : slide_->ShapeList())
    if (s.Get() != this && s->name == newName)
      Raise(E_INVALIDARG, L"Shape.Name : Another shape on this slide is named \"" + newName + L"\".");
  name = newName;
}

void TStandInShape::Delete() {
  CheckAlive(Deleted());
  slide_->RemoveShape(this);
}

namespace {
// The picture as shown: its displayed size at 96 dpi, nearest pixel.
TPixels AsDisplayed(const TPixels& own, float width, float height) {
  const int w = std::max(1, static_cast<int>(std::lround(width / kPointsPerPixel)));
  const int h = std::max(1, static_cast<int>(std::lround(height / kPointsPerPixel)));
  TPixels shown{w, h, {}};
  shown.data.reserve(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      shown.data.push_back(own.data[static_cast<size_t>(y * own.height / h) * own.width + x * own.width / w]);
  return shown;
}
}  // namespace

void TStandInShape::Copy() const {
  CheckAlive(Deleted());
  if (IsPicture() && !pixels.Empty()) {
    // Guess: what Copy puts on the clipboard is undocumented; by default the
    // picture's own pixels, as one option the picture as displayed.
    // Guess: "PNG" beside the bitmap, as Office is reported to offer it.
    const TStandInPresentation& presentation = *slide_->Presentation();
    if (presentation.copyAsDisplayed)
      PutPictureOnClipboard(AsDisplayed(pixels, width, height), presentation.copyOffersPng);
    else
      PutPictureOnClipboard(pixels, presentation.copyOffersPng);
  } else {
    PutShapeOnClipboard(name);
  }
}

void TStandInShape::Scale(bool vertical, float factor, bool relativeToOriginal, int scaleFrom) {
  CheckAlive(Deleted());
  if (factor <= 0) Raise(E_INVALIDARG, L"The value is out of range.");
  // Only pictures scale relative to their original size; others always
  // scale relative to their current size.
  // Guess: a placeholder holding a picture scales as the picture does; the
  // documentation names only pictures and OLE objects.
  const bool fromOriginal = relativeToOriginal && (IsPicture() || type == msoLinkedPicture);
  const float size = vertical ? height : width;
  const float base = fromOriginal ? (vertical ? originalHeight : originalWidth) : size;
  Resize(vertical, base * factor, scaleFrom);
}

void TStandInShape::Resize(bool vertical, float size, int scaleFrom) {
  const float before = vertical ? height : width;
  SetSide(vertical, size, scaleFrom);
  if (lockAspectRatio == msoFalse || before <= 0) return;
  const float other = vertical ? width : height;
  SetSide(!vertical, other * (size / before), scaleFrom);
}

void TStandInShape::SetSide(bool vertical, float size, int scaleFrom) {
  float& side = vertical ? height : width;
  float& origin = vertical ? top : left;
  const float grown = size - side;
  if (scaleFrom == msoScaleFromMiddle) origin -= grown / 2;
  else if (scaleFrom == msoScaleFromBottomRight) origin -= grown;
  side = size;
}

TVariant TStandInShape::Call(DISPID id, const TArgs& args) {
  CheckAlive(Deleted());
  auto number = [&](float& field) {
    if (!args.IsPut()) return TVariant::Single(field);
    slide_->Changing(L"Shape.Position");
    field = Single(args.Value());
    return TVariant();
  };
  auto text = [&](std::wstring& field, const wchar_t* member) {
    if (!args.IsPut()) return TVariant::Text(field);
    slide_->Changing(member);
    field = args.Value().ToText();
    return TVariant();
  };
  switch (id) {
    case idName:
      if (!args.IsPut()) return TVariant::Text(name);
      slide_->Changing(L"Shape.Name");
      SetName(args.Value().ToText());
      return {};
    case idId: return TVariant::Int(this->id);
    case idAlternativeText: return text(alternativeText, L"Shape.AlternativeText");
    case idTitle: return text(title, L"Shape.Title");
    case idRotation: {
      if (!args.IsPut()) return TVariant::Single(rotation);
      slide_->Changing(L"Shape.Rotation");
      // Guess: PowerPoint keeps the angle within one turn.
      const float turned = std::fmod(Single(args.Value()), 360.0f);
      rotation = turned < 0 ? turned + 360.0f : turned;
      return {};
    }
    case idHorizontalFlip: return TVariant::Int(horizontalFlip ? msoTrue : msoFalse);  // read-only
    case idVerticalFlip: return TVariant::Int(verticalFlip ? msoTrue : msoFalse);
    case idFlip: {
      slide_->Changing(L"Shape.Flip");
      const int command = args.Required(0).ToInt();
      if (command == msoFlipHorizontal) horizontalFlip = !horizontalFlip;
      else if (command == msoFlipVertical) verticalFlip = !verticalFlip;
      else Raise(E_INVALIDARG, L"Shape.Flip : Invalid enumeration value.");
      return {};
    }
    case idSelect: {
      CheckAlive(Deleted());
      // Guess: only the slide in view can have a selection, and the stand-in
      // knows no adding to one (Replace msoFalse).
      if (!args.Opt(0).IsMissing() && TriState(args.Opt(0)) == msoFalse)
        Raise(E_NOTIMPL, L"Shape.Select : the stand-in only replaces the selection.");
      auto& selected = slide_->Presentation()->onSelected;
      if (!selected || !selected(*slide_, {ComPtr<TStandInShape>(this)}))
        Raise(kInvalidRequest, L"Shape.Select : Invalid request. To select a shape, its view must be active.");
      return {};
    }
    case idZOrder:
      slide_->Changing(L"Shape.ZOrder");
      ZOrder(args.Required(0).ToInt());
      return {};
    case idTags: return ObjectValue(MakeTags(ComPtr<TStandInShape>(this)));
    case idLine: return ObjectValue(MakeLineFormat(ComPtr<TStandInShape>(this)));
    case idShadow: return ObjectValue(MakeShadowFormat(ComPtr<TStandInShape>(this)));
    case idActionSettings: return ObjectValue(MakeActionSettings(ComPtr<TStandInShape>(this)));
    case idPlaceholderFormat:
      if (type != msoPlaceholder)
        Raise(kInvalidRequest, L"Shape.PlaceholderFormat : Invalid request. This shape is not a placeholder.");
      return ObjectValue(MakePlaceholderFormat(ComPtr<TStandInShape>(this)));
    case idType: return TVariant::Int(type);
    case idLeft: return number(left);
    case idTop: return number(top);
    case idWidth:
    case idHeight:
      if (!args.IsPut()) return TVariant::Single(id == idHeight ? height : width);
      slide_->Changing(L"Shape.Size");
      Resize(id == idHeight, Single(args.Value()));
      return {};
    case idLockAspectRatio:
      if (!args.IsPut()) return TVariant::Int(lockAspectRatio);
      slide_->Changing(L"Shape.LockAspectRatio");
      lockAspectRatio = TriState(args.Value());
      return {};
    case idScaleHeight:
    case idScaleWidth: {
      // Scale*(Factor, RelativeToOriginalSize, [fScale]); any non-zero
      // MsoTriState counts as true.
      const bool relative = !args.Opt(1).IsMissing() && args.Opt(1).ToInt() != msoFalse;
      const int from = args.Opt(2).IsMissing() ? msoScaleFromTopLeft : args.Opt(2).ToInt();
      Scale(id == idScaleHeight, Single(args.Required(0)), relative, from);
      return {};
    }
    case idCopy: Copy(); return {};
    case idDelete:
      slide_->Changing(L"Shape.Delete");
      Delete();
      return {};
    case idZOrderPosition: return TVariant::Int(ZOrderPosition());
  }
  Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
}

// ---- shape range ----

TStandInShapeRange::TStandInShapeRange(std::vector<ComPtr<TStandInShape>> shapes)
    : TStandInObject(nullptr, nullptr), shapes_(std::move(shapes)) {}

std::span<const TMember> TStandInShapeRange::Members() const {
  static const TMember members[] = {
      {L"Item", idItem}, {L"Count", idCount}, {L"Type", idType},     {L"Left", idLeft},   {L"Top", idTop},
      {L"Width", idWidth}, {L"Height", idHeight}, {L"Copy", idCopy}, {L"Delete", idDelete}, {L"Name", idName},
      {L"LockAspectRatio", idLockAspectRatio},
  };
  return members;
}

TVariant TStandInShapeRange::Call(DISPID id, const TArgs& args) {
  const int count = static_cast<int>(shapes_.size());
  for (const auto& s : shapes_) CheckAlive(s->Deleted());
  // Properties of a range read from its first shape and write to all.
  auto number = [&](float TStandInShape::*field) {
    if (args.IsPut()) {
      for (auto& s : shapes_) (*s).*field = Single(args.Value());
      return TVariant();
    }
    if (shapes_.empty()) Raise(kInvalidRequest, L"ShapeRange (unknown member) : Invalid request.");
    return TVariant::Single((*shapes_.front()).*field);
  };
  switch (id) {
    case idCount: return TVariant::Int(count);
    case idType: return TVariant::Int(CombinedType(shapes_));
    case idItem: {
      const int index = args.Required(0).ToInt();
      if (index < 1 || index > count) RaiseBadIndex(L"ShapeRange", index, count);
      return ObjectValue(shapes_[index - 1]);
    }
    case idName:
      if (count != 1) Raise(kInvalidRequest, L"ShapeRange.Name : This member can only be accessed for a single shape.");
      return TVariant::Text(shapes_.front()->name);
    case idLeft: return number(&TStandInShape::left);
    case idTop: return number(&TStandInShape::top);
    case idWidth:
    case idHeight:
      if (!args.IsPut()) return number(id == idHeight ? &TStandInShape::height : &TStandInShape::width);
      for (auto& s : shapes_) s->Resize(id == idHeight, Single(args.Value()));
      return {};
    case idLockAspectRatio: {
      if (args.IsPut()) {
        for (auto& s : shapes_) s->lockAspectRatio = TriState(args.Value());
        return {};
      }
      if (shapes_.empty()) Raise(kInvalidRequest, L"ShapeRange (unknown member) : Invalid request.");
      const int first = shapes_.front()->lockAspectRatio;
      const bool mixed =
          std::any_of(shapes_.begin(), shapes_.end(), [&](const auto& s) { return s->lockAspectRatio != first; });
      return TVariant::Int(mixed ? msoTriStateMixed : shapes_.front()->lockAspectRatio);
    }
    case idCopy:
      if (count != 1) Raise(kInvalidRequest, L"ShapeRange.Copy : Invalid request.");
      shapes_.front()->Copy();
      return {};
    case idDelete:
      for (auto& s : shapes_) s->Delete();
      return {};
  }
  Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
}

// ---- shapes collection ----

std::span<const TMember> TStandInShapes::Members() const {
  static const TMember members[] = {{L"Item", idItem},          {L"Count", idCount},
                                    {L"Paste", idPaste},        {L"PasteSpecial", idPasteSpecial},
                                    {L"AddPicture", idAddPicture}, {L"AddPicture2", idAddPicture2}};
  // An older PowerPoint lacks only the last one.
  const bool older = slide_ && !slide_->Presentation()->hasAddPicture2;
  return std::span<const TMember>(members).first(std::size(members) - (older ? 1 : 0));
}

namespace {

[[noreturn]] void RaiseNotPastable(const wchar_t* member) {
  Raise(kInvalidRequest, std::wstring(L"Shapes.") + member +
                             L" : Invalid request. Clipboard is empty or contains data which may not be pasted here.");
}

// The picture file's pixels for AddPicture; the file must exist and be a
// picture.
TPixels PictureFileFor(const wchar_t* member, const TVariant& fileName) {
  const std::wstring file = fileName.ToText();
  try {
    return LoadPictureFile(file);
  } catch (const EPictureFileError& e) {
    // Guess: the text PowerPoint gives for a file it cannot insert.
    Raise(E_INVALIDARG, std::wstring(L"Shapes.") + member + L" : The specified file wasn't found. (" + e.text + L")");
  }
}

}  // namespace

TVariant TStandInShapes::Pasted(const wchar_t* member, std::optional<TPictureFormat> format) {
  slide_->Changing(std::wstring(L"Shapes.") + member);
  // The pasted picture goes on top of the slide's shapes, centred, at its
  // own size; the answer is the range of what was pasted.
  // Guess: PasteSpecial places it as Paste does, and ppPasteDefault pastes
  // as Paste; a default paste takes "PNG" when offered, for its transparency.
  TPixels pixels;
  const bool taken = format ? TakePictureFromClipboard(pixels, *format)
                            : TakePictureFromClipboard(pixels, TPictureFormat::Png) ||
                                  TakePictureFromClipboard(pixels, TPictureFormat::Bitmap);
  if (!taken) {
    if (!format && ClipboardHoldsShape()) {
      auto copy = slide_->AddShape(L"Rectangle", msoAutoShape, 100, 100, 100, 100);
      return ObjectValue(MakeStandIn<TStandInShapeRange>(std::vector{copy}));
    }
    RaiseNotPastable(member);
  }
  const float w = pixels.width * kPointsPerPixel, h = pixels.height * kPointsPerPixel;
  auto picture = slide_->AddPicture((720 - w) / 2, (540 - h) / 2, w, h, std::move(pixels));
  if (auto& selected = slide_->Presentation()->onSelected) selected(*slide_, {picture});
  return ObjectValue(MakeStandIn<TStandInShapeRange>(std::vector{picture}));
}

TVariant TStandInShapes::AddedPicture(const wchar_t* member, const TArgs& args) {
  slide_->Changing(std::wstring(L"Shapes.") + member);
  const TVariant& file = args.Required(0);
  const int link = TriState(args.Required(1)), save = TriState(args.Required(2));
  if (link == msoFalse && save == msoFalse)
    Raise(E_INVALIDARG, std::wstring(L"Shapes.") + member +
                            L" : Invalid request. SaveWithDocument must be msoTrue when LinkToFile is msoFalse.");
  // Guess: the stand-in keeps no linked pictures; a link is refused.
  if (link != msoFalse) Raise(E_NOTIMPL, std::wstring(L"Shapes.") + member + L" : linked pictures are not kept.");
  // Guess: a Compress value outside the documented three is refused.
  if (args.Count() > 7 && !args.Opt(7).IsMissing()) {
    const int compress = args.Opt(7).ToInt();
    if (compress < msoPictureCompressDocDefault || compress > msoPictureCompressTrue)
      Raise(E_INVALIDARG, L"Shapes.AddPicture2 : The value is out of range.");
  }
  TPixels pixels = PictureFileFor(member, file);
  // Guess: a missing (or -1) width or height is the picture's own size at
  // 96 dpi, as the documentation's default of -1 suggests.
  const auto side = [&](size_t i, int own) {
    const TVariant& v = args.Opt(i);
    const float given = v.IsMissing() ? -1 : Single(v);
    return given == -1 ? own * kPointsPerPixel : given;
  };
  const float width = side(5, pixels.width), height = side(6, pixels.height);
  const float left = Single(args.Required(3)), top = Single(args.Required(4));
  // Guess: inserting through the object model leaves the selection as it was.
  auto picture = slide_->AddPicture(left, top, width, height, std::move(pixels));
  return ObjectValue(picture);
}

TVariant TStandInShapes::Call(DISPID id, const TArgs& args) {
  if (!slide_) Raise(kDeleted, L"Shapes (unknown member) : Object does not exist.");
  auto& list = slide_->ShapeList();
  const int count = static_cast<int>(list.size());
  switch (id) {
    case idCount: return TVariant::Int(count);
    case idItem: {
      const int index = args.Required(0).ToInt();
      if (index < 1 || index > count) RaiseBadIndex(L"Shapes", index, count);
      return ObjectValue(list[index - 1]);
    }
    case idPaste: return Pasted(L"Paste", std::nullopt);
    case idPasteSpecial: {
      // Only picture data is known here: any other type is not on the clipboard.
      const int type = args.Opt(0).IsMissing() ? ppPasteDefault : args.Opt(0).ToInt();
      if (type == ppPasteDefault) return Pasted(L"PasteSpecial", std::nullopt);
      if (type == ppPastePNG) return Pasted(L"PasteSpecial", TPictureFormat::Png);
      if (type == ppPasteBitmap) return Pasted(L"PasteSpecial", TPictureFormat::Bitmap);
      slide_->Changing(L"Shapes.PasteSpecial");
      RaiseNotPastable(L"PasteSpecial");
    }
    case idAddPicture: return AddedPicture(L"AddPicture", args);
    case idAddPicture2: return AddedPicture(L"AddPicture2", args);
  }
  Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
}

// ---- slide ----

TStandInSlide::TStandInSlide(TStandInPresentation* presentation, int slideId)
    : TStandInObject(nullptr, nullptr),
      presentation_(presentation),
      slideId_(slideId),
      shapesCollection_(MakeStandIn<TStandInShapes>(this)),
      timeLine_(MakeTimeLine(this)) {}

TStandInSlide::~TStandInSlide() {
  shapesCollection_->Detach();
  for (auto* sequence : {&mainSequence})
    for (auto& e : sequence->effects) e->Detach();
  for (auto& sequence : interactiveSequences)
    for (auto& e : sequence.effects) e->Detach();
  for (auto& s : shapes_) s->Detach();
}

int TStandInSlide::SlideIndex() const {
  const auto& list = presentation_->SlideList();
  const auto it = std::find_if(list.begin(), list.end(), [&](const auto& s) { return s.Get() == this; });
  return static_cast<int>(it - list.begin()) + 1;
}

ComPtr<TStandInShape> TStandInSlide::AddShape(std::wstring name, int type, float left, float top, float width,
                                              float height) {
  const int number = nextShapeNumber_++;
  auto shape = MakeStandIn<TStandInShape>(this, name + L" " + std::to_wstring(number), type);
  shape->left = left;
  shape->top = top;
  shape->width = width;
  shape->height = height;
  shape->id = number + 1;  // as PowerPoint numbers them: "Picture 2" has Id 3
  shapes_.push_back(shape);
  if (presentation_->onChange) presentation_->onChange();
  return shape;
}

ComPtr<TStandInShape> TStandInSlide::AddPicture(float left, float top, float width, float height, TPixels pixels) {
  auto picture = AddShape(L"Picture", msoPicture, left, top, width, height);
  picture->lockAspectRatio = msoTrue;
  picture->originalWidth = pixels.width * kPointsPerPixel;
  picture->originalHeight = pixels.height * kPointsPerPixel;
  picture->pixels = std::move(pixels);
  return picture;
}

ComPtr<TStandInShape> TStandInSlide::AddPlaceholderPicture(float left, float top, float width, float height,
                                                          TPixels pixels) {
  auto picture = AddPicture(left, top, width, height, std::move(pixels));
  picture->name = L"Content Placeholder " + std::to_wstring(picture->id - 1);
  picture->type = msoPlaceholder;
  picture->containedType = msoPicture;
  return picture;
}

void TStandInSlide::Changing(std::wstring_view member) const {
  if (presentation_->onHostCall) presentation_->onHostCall(member);
}

ComPtr<TStandInEffect> TStandInSlide::AddEffect(TEffectList& sequence, ComPtr<TStandInShape> animated,
                                                int effectType, ComPtr<TStandInShape> trigger) {
  auto effect = MakeStandIn<TStandInEffect>(this, std::move(animated), effectType, std::move(trigger));
  sequence.effects.push_back(effect);
  return effect;
}

void TStandInSlide::RemoveEffectsOf(const TStandInShape* shape) {
  // Deleting a shape deletes its effects. Guess: the effects that its click
  // started go too, and an interactive sequence left empty with them.
  auto gone = [&](const ComPtr<TStandInEffect>& e) {
    const bool goes = e->shape.Get() == shape || e->triggerShape.Get() == shape;
    if (goes) e->Detach();
    return goes;
  };
  std::erase_if(mainSequence.effects, gone);
  for (auto& sequence : interactiveSequences) std::erase_if(sequence.effects, gone);
  std::erase_if(interactiveSequences, [](const TEffectList& s) { return s.effects.empty(); });
}

void TStandInSlide::RemoveShape(TStandInShape* shape) {
  ComPtr<TStandInShape> keep(shape);
  const auto at = std::find_if(shapes_.begin(), shapes_.end(), [&](const auto& s) { return s.Get() == shape; });
  if (at == shapes_.end()) return;
  // Guess, as PowerPoint's interface does it: deleting a picture that a
  // placeholder holds brings the empty placeholder back in its place.
  if (shape->type == msoPlaceholder && shape->containedType == msoPicture) {
    const int number = nextShapeNumber_++;
    auto empty = MakeStandIn<TStandInShape>(this, L"Content Placeholder " + std::to_wstring(number), msoPlaceholder);
    empty->id = number + 1;
    empty->containedType = msoAutoShape;  // Guess: what an empty content placeholder reports
    empty->left = shape->left, empty->top = shape->top, empty->width = shape->width, empty->height = shape->height;
    *at = empty;
  } else {
    shapes_.erase(at);
  }
  RemoveEffectsOf(shape);
  shape->Detach();
  if (presentation_->onShapeRemoved) presentation_->onShapeRemoved(shape);
  if (presentation_->onChange) presentation_->onChange();
}

std::span<const TMember> TStandInSlide::Members() const {
  static const TMember members[] = {
      {L"SlideID", idSlideID}, {L"SlideIndex", idSlideIndex}, {L"Shapes", idShapes}, {L"TimeLine", idTimeLine}};
  return members;
}

TVariant TStandInSlide::Call(DISPID id, const TArgs&) {
  switch (id) {
    case idTimeLine: return ObjectValue(timeLine_);
    case idSlideID: return TVariant::Int(slideId_);
    case idSlideIndex: return TVariant::Int(SlideIndex());
    case idShapes: return ObjectValue(shapesCollection_);
  }
  Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
}

// ---- slides ----

std::span<const TMember> TStandInSlides::Members() const {
  static const TMember members[] = {{L"Item", idItem}, {L"Count", idCount}, {L"FindBySlideID", idFindBySlideID}};
  return members;
}

TVariant TStandInSlides::Call(DISPID id, const TArgs& args) {
  const auto& list = presentation_->SlideList();
  const int count = static_cast<int>(list.size());
  switch (id) {
    case idCount: return TVariant::Int(count);
    case idItem: {
      const int index = args.Required(0).ToInt();
      if (index < 1 || index > count) RaiseBadIndex(L"Slides", index, count);
      return ObjectValue(list[index - 1]);
    }
    case idFindBySlideID: {
      const int slideId = args.Required(0).ToInt();
      for (const auto& s : list)
        if (s->SlideId() == slideId) return ObjectValue(s);
      Raise(E_INVALIDARG, L"Slides.FindBySlideID : Invalid request. Slide ID " + std::to_wstring(slideId) +
                              L" not found.");
    }
  }
  Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
}

// ---- presentation ----

TStandInPresentation::TStandInPresentation()
    : TStandInObject(nullptr, nullptr), slidesCollection_(MakeStandIn<TStandInSlides>(this)) {}

TStandInPresentation::~TStandInPresentation() = default;

ComPtr<TStandInSlide> TStandInPresentation::AddSlide() {
  auto slide = MakeStandIn<TStandInSlide>(this, nextSlideId_++);
  slides_.push_back(slide);
  return slide;
}

std::span<const TMember> TStandInPresentation::Members() const {
  static const TMember members[] = {{L"Slides", idSlides}};
  return members;
}

TVariant TStandInPresentation::Call(DISPID id, const TArgs&) {
  if (id == idSlides) return ObjectValue(slidesCollection_);
  Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
}

// ---- window, pane, selection, slide range ----

namespace {

class TStandInSlideRange final : public TStandInObject {
 public:
  explicit TStandInSlideRange(ComPtr<TStandInSlide> slide) : TStandInObject(nullptr, nullptr), slide_(slide) {}

 protected:
  std::span<const TMember> Members() const override {
    static const TMember members[] = {{L"SlideID", idSlideID}, {L"SlideIndex", idSlideIndex}, {L"Count", idCount}};
    return members;
  }
  TVariant Call(DISPID id, const TArgs&) override {
    switch (id) {
      case idSlideID: return TVariant::Int(slide_->SlideId());
      case idSlideIndex: return TVariant::Int(slide_->SlideIndex());
      case idCount: return TVariant::Int(1);
    }
    Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
  }

 private:
  ComPtr<TStandInSlide> slide_;
};

class TStandInPane final : public TStandInObject {
 public:
  explicit TStandInPane(TStandInWindow* window) : TStandInObject(nullptr, nullptr), window_(window) {}

 protected:
  std::span<const TMember> Members() const override {
    static const TMember members[] = {{L"ViewType", idViewType}};
    return members;
  }
  TVariant Call(DISPID id, const TArgs&) override {
    if (id == idViewType) return TVariant::Int(window_->paneViewType);  // read-only
    Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
  }

 private:
  TStandInWindow* window_;  // the window owns its pane
};

class TStandInSelection final : public TStandInObject {
 public:
  explicit TStandInSelection(TStandInWindow* window) : TStandInObject(nullptr, nullptr), window_(window) {}

 protected:
  std::span<const TMember> Members() const override {
    static const TMember members[] = {{L"Type", idType}, {L"ShapeRange", idShapeRange}, {L"SlideRange", idSlideRange}};
    return members;
  }
  TVariant Call(DISPID id, const TArgs&) override {
    const TSelectionState& s = window_->selection;
    switch (id) {
      case idType: return TVariant::Int(s.type);
      case idShapeRange:
        if (s.type != ppSelectionShapes && s.type != ppSelectionText)
          Raise(kNothingSelected, L"Selection (unknown member) : Invalid request. Nothing appropriate is currently "
                                  L"selected.");
        return ObjectValue(MakeStandIn<TStandInShapeRange>(s.shapes));
      case idSlideRange: {
        const auto& slides = window_->Presentation()->SlideList();
        if (s.type == ppSelectionNone && slides.empty())
          Raise(kNothingSelected, L"Selection (unknown member) : Invalid request. Nothing appropriate is currently "
                                  L"selected.");
        const int index = std::clamp(window_->currentSlide, 1, static_cast<int>(slides.size()));
        return ObjectValue(MakeStandIn<TStandInSlideRange>(slides[index - 1]));
      }
    }
    Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
  }

 private:
  TStandInWindow* window_;  // the window owns its selection object
};

}  // namespace

TStandInWindow::TStandInWindow(ComPtr<TStandInPresentation> presentation)
    : TStandInObject(nullptr, nullptr),
      viewType(ppViewNormal),
      paneViewType(ppViewSlide),
      presentation_(std::move(presentation)),
      pane_(MakeStandIn<TStandInPane>(this)),
      selectionObject_(MakeStandIn<TStandInSelection>(this)) {}

IDispatch* TStandInWindow::SelectionObject() { return selectionObject_->Dispatch(); }

std::span<const TMember> TStandInWindow::Members() const {
  static const TMember members[] = {
      {L"ViewType", idViewType}, {L"ActivePane", idActivePane}, {L"Selection", idSelection}};
  return members;
}

TVariant TStandInWindow::Call(DISPID id, const TArgs& args) {
  switch (id) {
    case idViewType:
      if (!args.IsPut()) return TVariant::Int(viewType);
      viewType = args.Value().ToInt();
      return {};
    case idActivePane: return ObjectValue(pane_);
    case idSelection: return ObjectValue(selectionObject_);
  }
  Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
}

// ---- application ----

TStandInApp::TStandInApp(std::wstring name, ComPtr<TStandInBars> bars)
    : TStandInObject(&IID_PowerPointApplication, &DIID_PowerPointEApplication),
      name_(std::move(name)),
      bars_(std::move(bars)) {}

std::span<const TMember> TStandInApp::Members() const {
  static const TMember withBars[] = {{L"Name", idName},
                                     {L"Version", idVersion},
                                     {L"CommandBars", idCommandBars},
                                     {L"ActiveWindow", idActiveWindow},
                                     {L"ActivePresentation", idActivePresentation},
                                     {L"StartNewUndoEntry", idStartNewUndoEntry}};
  static const TMember withoutBars[] = {{L"Name", idName},
                                        {L"Version", idVersion},
                                        {L"ActiveWindow", idActiveWindow},
                                        {L"ActivePresentation", idActivePresentation},
                                        {L"StartNewUndoEntry", idStartNewUndoEntry}};
  if (bars_) return withBars;
  return withoutBars;
}

TVariant TStandInApp::Call(DISPID id, const TArgs&) {
  switch (id) {
    case idName: return TVariant::Text(name_);
    case idVersion: return TVariant::Text(L"16.0");
    case idCommandBars: return ObjectValue(bars_);
    case idStartNewUndoEntry: ++undoEntries; return {};
    case idActiveWindow:
      if (!window) Raise(kNoActiveWindow, L"Application (unknown member) : Invalid request. There is no currently "
                                          L"active document window.");
      return ObjectValue(window);
    case idActivePresentation:
      if (!presentation) Raise(kNoActiveWindow, L"Application (unknown member) : Invalid request. There is no "
                                                L"active presentation.");
      return ObjectValue(presentation);
  }
  Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
}

std::vector<HRESULT> TStandInApp::FireWindowSelectionChange() {
  if (!window) return {};
  VARIANTARG arg;
  V_VT(&arg) = VT_DISPATCH;
  V_DISPATCH(&arg) = window->SelectionObject();
  return FireEvent(DISPID_WindowSelectionChange, std::span(&arg, 1));
}

}  // namespace carvelo::standin
