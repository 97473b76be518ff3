// The stand-in's PowerPoint objects: application, presentation, slides,
// shapes and shape ranges, the document window with its pane and selection.
// Enumeration values, errors and the paste-on-top rule follow PowerPoint.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "StandInClipboard.h"
#include "StandInObject.h"
#include "StandInOffice.h"
#include "StandInPixels.h"

namespace carvelo::standin {

class TStandInSlide;
class TStandInPresentation;
class TStandInWindow;
class TStandInShape;

// One of a shape's tags.
struct TTag {
  std::wstring name, value;
  bool operator==(const TTag&) const = default;
};

// What a click (index 0) or a mouse-over (index 1) on a shape does.
struct TActionState {
  int action = 0;  // PpActionType: ppActionNone 0, ppActionHyperlink 7, ppActionRunMacro 8, ...
  std::wstring address, subAddress, screenTip;  // the hyperlink
  std::wstring run;                             // the macro or program
  bool operator==(const TActionState&) const = default;
};

// A shape's border and shadow, as far as their format objects are used.
struct TLineState {
  bool visible = false;
  float weight = 0.75f;     // points
  int32_t foreColor = 0;    // 0x00BBGGRR
  int dashStyle = 1;        // MsoLineDashStyle: msoLineSolid
  bool operator==(const TLineState&) const = default;
};
struct TShadowState {
  bool visible = false;
  float offsetX = 0, offsetY = 0;  // points
  bool operator==(const TShadowState&) const = default;
};

// An animation effect: the shape it animates and, in an interactive
// sequence, the shape whose click starts it.
class TStandInEffect final : public TStandInObject {
 public:
  TStandInEffect(TStandInSlide* slide, ComPtr<TStandInShape> animated, int type, ComPtr<TStandInShape> trigger);
  ComPtr<TStandInShape> shape;
  ComPtr<TStandInShape> triggerShape;  // null in the main sequence
  int effectType;                      // MsoAnimEffect
  TStandInSlide* Slide() const noexcept { return slide_; }
  void Detach() noexcept { slide_ = nullptr; }

 protected:
  std::span<const TMember> Members() const override;
  TVariant Call(DISPID id, const TArgs& args) override;

 private:
  ComPtr<TStandInShape> ShapeArgument(const TVariant& value) const;
  TStandInSlide* slide_;
};

// A sequence of effects, in playing order.
struct TEffectList {
  std::vector<ComPtr<TStandInEffect>> effects;
};

class TStandInShape final : public TStandInObject {
 public:
  TStandInShape(TStandInSlide* slide, std::wstring name, int type);

  std::wstring name;
  int type;
  float left = 0, top = 0, width = 0, height = 0;
  // A picture's own size in points, the base of relative-to-original scaling.
  float originalWidth = 0, originalHeight = 0;
  TPixels pixels;  // pictures only
  // msoTrue: setting or scaling one side rescales the other by the same
  // factor, keeping the current proportions (on for inserted pictures).
  int lockAspectRatio = 0;
  int id = 0;  // unique on its slide
  std::wstring alternativeText, title;
  float rotation = 0;  // degrees clockwise, 0 <= rotation < 360
  bool horizontalFlip = false, verticalFlip = false;
  std::vector<TTag> tags;
  TActionState actions[2];  // ppMouseClick 1, ppMouseOver 2
  TLineState line;
  TShadowState shadow;
  // A placeholder's (type 14) content: msoPicture when it holds a picture.
  int containedType = 0;

  TStandInSlide* Slide() const noexcept { return slide_; }
  bool Deleted() const noexcept { return slide_ == nullptr; }
  void Detach() noexcept { slide_ = nullptr; }
  void Delete();
  void Copy() const;
  // ScaleHeight/ScaleWidth: relative to the original size only for pictures.
  void Scale(bool vertical, float factor, bool relativeToOriginal, int scaleFrom);
  // Sets one side as the Width or Height property does, the other following
  // when the aspect ratio is locked; `scaleFrom` says which corner stays.
  void Resize(bool vertical, float size, int scaleFrom = 0);
  // The stacking position, 1 at the back.
  int ZOrderPosition() const;
  bool IsPicture() const noexcept;

 protected:
  std::span<const TMember> Members() const override;
  TVariant Call(DISPID id, const TArgs& args) override;

 private:
  void SetSide(bool vertical, float size, int scaleFrom);
  void SetName(const std::wstring& newName);
  void ZOrder(int command);
  TVariant Part(DISPID id, const TArgs& args);
  TStandInSlide* slide_;
};

class TStandInShapeRange final : public TStandInObject {
 public:
  explicit TStandInShapeRange(std::vector<ComPtr<TStandInShape>> shapes);
  const std::vector<ComPtr<TStandInShape>>& Shapes() const noexcept { return shapes_; }

 protected:
  std::span<const TMember> Members() const override;
  TVariant Call(DISPID id, const TArgs& args) override;

 private:
  std::vector<ComPtr<TStandInShape>> shapes_;
};

class TStandInShapes final : public TStandInObject {
 public:
  explicit TStandInShapes(TStandInSlide* slide) : TStandInObject(nullptr, nullptr), slide_(slide) {}
  void Detach() noexcept { slide_ = nullptr; }

 protected:
  std::span<const TMember> Members() const override;
  TVariant Call(DISPID id, const TArgs& args) override;

 private:
  // Paste and PasteSpecial: the clipboard's picture in `format`, or in the
  // richest one offered.
  TVariant Pasted(const wchar_t* member, std::optional<TPictureFormat> format);
  // AddPicture and AddPicture2.
  TVariant AddedPicture(const wchar_t* member, const TArgs& args);
  TStandInSlide* slide_;
};

class TStandInSlide final : public TStandInObject {
 public:
  TStandInSlide(TStandInPresentation* presentation, int slideId);
  ~TStandInSlide() override;

  int SlideId() const noexcept { return slideId_; }
  int SlideIndex() const;
  // Shapes back to front: the last one is on top.
  std::vector<ComPtr<TStandInShape>>& ShapeList() noexcept { return shapes_; }
  ComPtr<TStandInShape> AddShape(std::wstring name, int type, float left, float top, float width, float height);
  ComPtr<TStandInShape> AddPicture(float left, float top, float width, float height, TPixels pixels);
  // A picture held by a content placeholder, as PowerPoint's interface
  // inserts it: Type 14, PlaceholderFormat.ContainedType 13.
  ComPtr<TStandInShape> AddPlaceholderPicture(float left, float top, float width, float height, TPixels pixels);
  void RemoveShape(TStandInShape* shape);
  TStandInPresentation* Presentation() const noexcept { return presentation_; }
  // Before each change a script or the add-in makes: the presentation's
  // failure hook may raise here.
  void Changing(std::wstring_view member) const;

  // The slide's animations: the main sequence, and one interactive sequence
  // per trigger.
  TEffectList mainSequence;
  std::vector<TEffectList> interactiveSequences;
  ComPtr<TStandInEffect> AddEffect(TEffectList& sequence, ComPtr<TStandInShape> animated, int effectType,
                                   ComPtr<TStandInShape> trigger = {});

 protected:
  std::span<const TMember> Members() const override;
  TVariant Call(DISPID id, const TArgs& args) override;

 private:
  TStandInPresentation* presentation_;
  int slideId_;
  void RemoveEffectsOf(const TStandInShape* shape);
  int nextShapeNumber_ = 1;
  std::vector<ComPtr<TStandInShape>> shapes_;
  ComPtr<TStandInShapes> shapesCollection_;
  ComPtr<TStandInObject> timeLine_;
};

class TStandInSlides final : public TStandInObject {
 public:
  explicit TStandInSlides(TStandInPresentation* presentation)
      : TStandInObject(nullptr, nullptr), presentation_(presentation) {}

 protected:
  std::span<const TMember> Members() const override;
  TVariant Call(DISPID id, const TArgs& args) override;

 private:
  TStandInPresentation* presentation_;
};

class TStandInPresentation final : public TStandInObject {
 public:
  TStandInPresentation();
  ~TStandInPresentation() override;

  const std::vector<ComPtr<TStandInSlide>>& SlideList() const noexcept { return slides_; }
  ComPtr<TStandInSlide> AddSlide();
  // Called when shapes come or go (the window's selection drops them).
  std::function<void(TStandInShape*)> onShapeRemoved;
  // Called when code selects shapes: a paste selects what it pasted,
  // Shape.Select its shape. False when the slide is not the one in view.
  std::function<bool(TStandInSlide&, const std::vector<ComPtr<TStandInShape>>&)> onSelected;
  std::function<void()> onChange;
  // Called with "Object.Member" before every change made through the object
  // model; a test raises from it to make that call fail.
  std::function<void(std::wstring_view member)> onHostCall;
  // Copy puts the picture as displayed (its displayed size at 96 dpi) on
  // the clipboard instead of its own pixels.
  bool copyAsDisplayed = false;
  // Copy offers "PNG" beside the bitmap.
  bool copyOffersPng = true;
  // Shapes has AddPicture2 (PowerPoint 2013 and later, as far as known).
  bool hasAddPicture2 = true;

 protected:
  std::span<const TMember> Members() const override;
  TVariant Call(DISPID id, const TArgs& args) override;

 private:
  int nextSlideId_ = 256;  // PowerPoint numbers slides from 256
  std::vector<ComPtr<TStandInSlide>> slides_;
  ComPtr<TStandInSlides> slidesCollection_;
};

// What the window's selection holds.
struct TSelectionState {
  int type = 0;                               // PpSelectionType
  std::vector<ComPtr<TStandInShape>> shapes;  // shapes, or the shape whose text is selected
};

class TStandInWindow final : public TStandInObject {
 public:
  explicit TStandInWindow(ComPtr<TStandInPresentation> presentation);

  int viewType;      // PpViewType of the window
  int paneViewType;  // PpViewType of the active pane
  int currentSlide = 1;
  TSelectionState selection;

  TStandInPresentation* Presentation() const noexcept { return presentation_.Get(); }
  IDispatch* SelectionObject();

 protected:
  std::span<const TMember> Members() const override;
  TVariant Call(DISPID id, const TArgs& args) override;

 private:
  ComPtr<TStandInPresentation> presentation_;
  ComPtr<TStandInObject> pane_, selectionObject_;
};

class TStandInApp final : public TStandInObject {
 public:
  TStandInApp(std::wstring name, ComPtr<TStandInBars> bars);

  const std::wstring& Name() const noexcept { return name_; }
  TStandInBars* Bars() const noexcept { return bars_.Get(); }
  ComPtr<TStandInWindow> window;              // the active window, or null
  ComPtr<TStandInPresentation> presentation;  // the active presentation, or null

  // WindowSelectionChange(Sel) to every advised sink.
  std::vector<HRESULT> FireWindowSelectionChange();
  // Calls of StartNewUndoEntry so far.
  int undoEntries = 0;

 protected:
  std::span<const TMember> Members() const override;
  TVariant Call(DISPID id, const TArgs& args) override;

 private:
  std::wstring name_;
  ComPtr<TStandInBars> bars_;  // null: a host without command bars
};

}  // namespace carvelo::standin
