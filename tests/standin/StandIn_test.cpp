// The stand-in must behave as PowerPoint documents itself, so that what
// passes against it predicts what passes in PowerPoint.
#include <gtest/gtest.h>

#include <olectl.h>

#include <cstdio>

#include "Dispatch.h"
#include "HostError.h"
#include "HostIds.h"
#include "StandInClipboard.h"
#include "StandInHost.h"
#include "TempFile_win.h"

using namespace carvelo::com;
using namespace carvelo::host;
using namespace carvelo::standin;
using carvelo::test::TempFile;

namespace {

HRESULT StatusOf(auto&& call) {
  try {
    call();
  } catch (const EHostError& e) {
    return e.Status();
  }
  return S_OK;
}

TStandInOptions Options(const std::wstring& barsFile, bool commandBars = true) {
  TStandInOptions o;
  o.barsFile = barsFile;
  o.commandBars = commandBars;
  return o;
}

TButtonState Button(const wchar_t* caption, const wchar_t* tag, bool visible = true) {
  TButtonState s;
  s.caption = caption;
  s.tag = tag;
  s.visible = visible;
  return s;
}

TPixels Solid(int width, int height, uint32_t colour) {
  return TPixels{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height, colour)};
}

}  // namespace

TEST(StandInApplication, IsRegisteredAsRunningPowerPointUntilItQuits) {
  ComPtr<IUnknown> running;
  {
    TStandInPowerPoint powerPoint;
    ASSERT_EQ(GetActiveObject(CLSID_PowerPointApplication, nullptr, running.Put()), S_OK);
    EXPECT_TRUE(SameObject(running.Get(), powerPoint.Application()));
    ComPtr<IDispatch> typed;
    EXPECT_EQ(running->QueryInterface(IID_PowerPointApplication, typed.PutVoid()), S_OK);
  }
  running.Reset();
  EXPECT_NE(GetActiveObject(CLSID_PowerPointApplication, nullptr, running.Put()), S_OK);
}

TEST(StandInApplication, WithoutCommandBarsHasNoSuchProperty) {
  TStandInPowerPoint powerPoint(Options(L"", false));
  const TDispatch app{ComPtr<IDispatch>(powerPoint.Application())};
  EXPECT_EQ(StatusOf([&] { app.IdOf(L"CommandBars"); }), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(app.GetProperty(L"Name").ToText(), L"Microsoft PowerPoint");
}

TEST(StandInCommandBars, AddMakesAHiddenBarAndRefusesADuplicateNameInAnyCase) {
  TStandInPowerPoint powerPoint;
  const TDispatch bars{ComPtr<IDispatch>(powerPoint.Bars().Dispatch())};
  const int before = bars.GetProperty(L"Count").ToInt();
  const TDispatch bar = TDispatch(
      bars.CallMethod(L"Add", {TVariant::Text(L"Mine"), TVariant::Int(msoBarTop), TVariant::Bool(false),
                               TVariant::Bool(false)})
          .ToObject());
  EXPECT_EQ(bars.GetProperty(L"Count").ToInt(), before + 1);
  EXPECT_FALSE(bar.GetProperty(L"Visible").ToBool());
  EXPECT_EQ(bar.GetProperty(L"Position").ToInt(), msoBarTop);
  EXPECT_NE(StatusOf([&] { bars.CallMethod(L"Add", {TVariant::Text(L"MINE")}); }), S_OK);
  EXPECT_EQ(StatusOf([&] { bars.GetProperty(L"Item", {TVariant::Int(before + 2)}); }), DISP_E_BADINDEX);
  EXPECT_EQ(StatusOf([&] { bars.GetProperty(L"Item", {TVariant::Int(0)}); }), DISP_E_BADINDEX);
}

TEST(StandInCommandBars, ControlsAddInsertsBeforeTheGivenPosition) {
  TStandInPowerPoint powerPoint;
  auto bar = powerPoint.Bars().AddBar(L"Mine", msoBarTop, false, false);
  const TDispatch controls = TDispatch(ComPtr<IDispatch>(bar->Dispatch())).Object(L"Controls");
  auto add = [&](int before) {
    return TDispatch(controls.CallMethod(L"Add", {TVariant::Int(1), TVariant::Int(1), TVariant::Int(0),
                                                  TVariant::Int(before), TVariant::Bool(false)})
                         .ToObject());
  };
  add(1).PutProperty(L"Caption", TVariant::Text(L"second"));
  add(1).PutProperty(L"Caption", TVariant::Text(L"first"));
  ASSERT_EQ(bar->Buttons().size(), 2u);
  EXPECT_EQ(bar->Buttons()[0]->State().caption, L"first");
  EXPECT_EQ(bar->Buttons()[1]->State().caption, L"second");
  EXPECT_NE(StatusOf([&] { add(4); }), S_OK);  // beyond Count + 1
}

TEST(StandInCommandBars, FindControlMatchesTagExactlyAndSkipsHiddenControlsWhenAskedForVisibleOnes) {
  TStandInPowerPoint powerPoint;
  auto bar = powerPoint.Bars().AddBar(L"Mine", msoBarTop, false, false);
  bar->AddButton(Button(L"A", L"A$$$"), 1, false);
  bar->AddButton(Button(L"B", L"B$$$", false), 2, false);
  bar->SetVisible(true);
  const TDispatch d{ComPtr<IDispatch>(bar->Dispatch())};
  auto find = [&](const wchar_t* tag, bool visibleOnly) {
    return d.CallMethod(L"FindControl", {TVariant::Int(1), TVariant::Int(1), TVariant::Text(tag),
                                         TVariant::Bool(visibleOnly), TVariant::Bool(true)});
  };
  EXPECT_TRUE(SameObject(find(L"A$$$", true).ToObject().Get(), bar->Buttons()[0]->Dispatch()));
  EXPECT_TRUE(find(L"a$$$", true).IsNothing());
  EXPECT_TRUE(find(L"B$$$", true).IsNothing());
  EXPECT_FALSE(find(L"B$$$", false).IsNothing());
  // Only visible toolbars count: a hidden bar's controls are all skipped.
  bar->SetVisible(false);
  EXPECT_TRUE(find(L"A$$$", true).IsNothing());
  EXPECT_FALSE(find(L"A$$$", false).IsNothing());
}

TEST(StandInCommandBars, PermanentBarsAndTheirStateOutliveARestartTemporaryOnesDoNot) {
  const std::wstring file = TempFile(L"standin-bars-restart.txt");
  {
    TStandInPowerPoint powerPoint(Options(file));
    auto kept = powerPoint.Bars().AddBar(L"Kept", msoBarTop, false, false);
    TButtonState go = Button(L"Go", L"Go$$$");
    go.tooltip = L"Tip";
    go.style = 3;
    go.faceId = 2619;
    go.enabled = false;
    kept->AddButton(go, 1, false);
    kept->AddButton(Button(L"Gone", L""), 2, true);
    powerPoint.Bars().AddBar(L"Session only", msoBarTop, false, true)->SetVisible(true);
  }
  TStandInPowerPoint restarted(Options(file));
  EXPECT_FALSE(restarted.Bar(L"Session only"));
  auto kept = restarted.Bar(L"Kept");
  ASSERT_TRUE(kept);
  EXPECT_FALSE(kept->Visible());
  ASSERT_EQ(kept->Buttons().size(), 1u);
  const TButtonState& s = kept->Buttons()[0]->State();
  EXPECT_EQ(s.caption, L"Go");
  EXPECT_EQ(s.tag, L"Go$$$");
  EXPECT_EQ(s.tooltip, L"Tip");
  EXPECT_EQ(s.style, 3);
  EXPECT_EQ(s.faceId, 2619);
  EXPECT_FALSE(s.enabled);
  DeleteFileW(file.c_str());
}

TEST(StandInCommandBars, BuiltInBarsCannotBeDeletedCustomOnesGoForGood) {
  TStandInPowerPoint powerPoint;
  auto bar = powerPoint.Bars().AddBar(L"Mine", msoBarTop, false, false);
  const TDispatch d{ComPtr<IDispatch>(bar->Dispatch())};
  d.CallMethod(L"Delete");
  EXPECT_FALSE(powerPoint.Bar(L"Mine"));
  EXPECT_NE(StatusOf([&] { d.GetProperty(L"Name"); }), S_OK);
  const TDispatch standard{ComPtr<IDispatch>(powerPoint.Bar(L"Standard")->Dispatch())};
  EXPECT_NE(StatusOf([&] { standard.CallMethod(L"Delete"); }), S_OK);
}

namespace {
// Records Click calls as a host's sink would see them.
class TRecordingSink final : public IDispatch {
 public:
  ULONG refs = 1;
  int clicks = 0;
  IDispatch* control = nullptr;
  VARTYPE cancelType = VT_EMPTY;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == DIID_CommandBarButtonEvents) {
      *object = this;
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
  ULONG STDMETHODCALLTYPE Release() override { return --refs; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* p, VARIANT*, EXCEPINFO*,
                                   UINT*) override {
    if (id != 1 || p->cArgs != 2) return DISP_E_MEMBERNOTFOUND;
    ++clicks;
    control = V_DISPATCH(&p->rgvarg[1]);
    cancelType = V_VT(&p->rgvarg[0]);
    *V_BOOLREF(&p->rgvarg[0]) = VARIANT_TRUE;
    return S_OK;
  }
};
}  // namespace

TEST(StandInButtons, ClickPassesTheButtonThenCancelDefaultByReferenceToEverySink) {
  TStandInPowerPoint powerPoint;
  auto bar = powerPoint.Bars().AddBar(L"Mine", msoBarTop, false, false);
  auto button = bar->AddButton({}, 1, false);
  ComPtr<IConnectionPointContainer> container;
  ASSERT_EQ(button->QueryInterface(IID_IConnectionPointContainer, container.PutVoid()), S_OK);
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(DIID_CommandBarButtonEvents, point.Put()), S_OK);
  TRecordingSink sink;
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(&sink, &cookie), S_OK);
  EXPECT_NE(cookie, 0u);
  const auto outcome = button->Click();
  EXPECT_EQ(sink.clicks, 1);
  EXPECT_EQ(sink.control, button->Dispatch());
  EXPECT_EQ(sink.cancelType, VT_BOOL | VT_BYREF);
  EXPECT_EQ(outcome.cancelDefault, VARIANT_TRUE);
  ASSERT_EQ(outcome.answers.size(), 1u);
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
  EXPECT_EQ(point->Unadvise(cookie), CONNECT_E_NOCONNECTION);
  button->Click();
  EXPECT_EQ(sink.clicks, 1);
  EXPECT_EQ(sink.refs, 1u);
}

TEST(StandInSlides, IndexesStartAtOneAndSlideIdsAt256) {
  TStandInPowerPoint powerPoint;
  powerPoint.App().presentation->AddSlide();
  const TDispatch slides = TDispatch(ComPtr<IDispatch>(powerPoint.Application())).Object(L"ActivePresentation").Object(L"Slides");
  EXPECT_EQ(slides.Object(L"Item", {TVariant::Int(1)}).GetProperty(L"SlideID").ToInt(), 256);
  EXPECT_EQ(slides.Object(L"FindBySlideID", {TVariant::Int(257)}).GetProperty(L"SlideIndex").ToInt(), 2);
  EXPECT_EQ(StatusOf([&] { slides.Object(L"Item", {TVariant::Int(3)}); }), DISP_E_BADINDEX);
  EXPECT_NE(StatusOf([&] { slides.Object(L"FindBySlideID", {TVariant::Int(999)}); }), S_OK);
}

TEST(StandInSelection, TypesAndShapeRangeFollowWhatIsSelected) {
  TStandInPowerPoint powerPoint;
  auto& slide = powerPoint.Slide(1);
  auto picture = slide.AddPicture(10, 20, 300, 200, Solid(4, 3, 0xFF0000));
  auto text = slide.AddShape(L"TextBox", msoTextBox, 0, 0, 100, 50);
  const TDispatch selection =
      TDispatch(ComPtr<IDispatch>(powerPoint.Application())).Object(L"ActiveWindow").Object(L"Selection");
  EXPECT_EQ(selection.GetProperty(L"Type").ToInt(), ppSelectionNone);
  EXPECT_NE(StatusOf([&] { selection.Object(L"ShapeRange"); }), S_OK);
  powerPoint.SelectShapes({picture});
  EXPECT_EQ(selection.GetProperty(L"Type").ToInt(), ppSelectionShapes);
  EXPECT_EQ(selection.Object(L"ShapeRange").GetProperty(L"Type").ToInt(), msoPicture);
  powerPoint.SelectShapes({picture, text});
  EXPECT_EQ(selection.Object(L"ShapeRange").GetProperty(L"Count").ToInt(), 2);
  EXPECT_EQ(selection.Object(L"ShapeRange").GetProperty(L"Type").ToInt(), msoShapeTypeMixed);
  powerPoint.SelectText(text);
  EXPECT_EQ(selection.GetProperty(L"Type").ToInt(), ppSelectionText);
  EXPECT_EQ(selection.Object(L"ShapeRange").GetProperty(L"Type").ToInt(), msoTextBox);
  EXPECT_EQ(selection.Object(L"SlideRange").GetProperty(L"SlideID").ToInt(), 256);
}

TEST(StandInShapes, PictureScalesRelativeToItsOriginalSizeFromTheGivenCorner) {
  TStandInPowerPoint powerPoint;
  auto picture = powerPoint.Slide(1).AddPicture(100, 100, 300, 100, Solid(200, 100, 0));  // original 150 x 75 pt
  const TDispatch d{ComPtr<IDispatch>(picture->Dispatch())};
  d.PutProperty(L"LockAspectRatio", TVariant::Int(msoFalse));
  d.CallMethod(L"ScaleHeight", {TVariant::Single(1.0f), TVariant::Int(msoCTrue), TVariant::Int(msoScaleFromTopLeft)});
  d.CallMethod(L"ScaleWidth", {TVariant::Single(1.0f), TVariant::Int(msoCTrue), TVariant::Int(msoScaleFromTopLeft)});
  EXPECT_FLOAT_EQ(d.GetProperty(L"Width").ToSingle(), 150.0f);
  EXPECT_FLOAT_EQ(d.GetProperty(L"Height").ToSingle(), 75.0f);
  EXPECT_FLOAT_EQ(d.GetProperty(L"Top").ToSingle(), 100.0f);
  d.CallMethod(L"ScaleWidth", {TVariant::Single(2.0f), TVariant::Int(msoFalse), TVariant::Int(msoScaleFromMiddle)});
  EXPECT_FLOAT_EQ(d.GetProperty(L"Width").ToSingle(), 300.0f);
  EXPECT_FLOAT_EQ(d.GetProperty(L"Left").ToSingle(), 25.0f);
  // Other shapes always scale relative to their current size.
  auto box = powerPoint.Slide(1).AddShape(L"Rectangle", msoAutoShape, 0, 0, 80, 40);
  TDispatch(ComPtr<IDispatch>(box->Dispatch()))
      .CallMethod(L"ScaleHeight", {TVariant::Single(0.5f), TVariant::Int(msoTrue), TVariant::Int(0)});
  EXPECT_FLOAT_EQ(box->height, 20.0f);
}

TEST(StandInShapes, CopyThenPastePutsThePictureOnTopAndAnswersItsShapeRange) {
  TStandInPowerPoint powerPoint;
  auto& slide = powerPoint.Slide(1);
  auto picture = slide.AddPicture(0, 0, 30, 15, Solid(40, 20, 0x00FF80));
  slide.AddShape(L"Rectangle", msoAutoShape, 0, 0, 10, 10);
  TDispatch(ComPtr<IDispatch>(picture->Dispatch())).CallMethod(L"Copy");
  const TDispatch shapes = TDispatch(ComPtr<IDispatch>(slide.Dispatch())).Object(L"Shapes");
  const TDispatch pasted = TDispatch(shapes.CallMethod(L"Paste").ToObject());
  EXPECT_EQ(pasted.GetProperty(L"Count").ToInt(), 1);
  ASSERT_EQ(slide.ShapeList().size(), 3u);
  EXPECT_TRUE(SameObject(pasted.Object(L"Item", {TVariant::Int(1)}).Get(), slide.ShapeList().back()->Dispatch()));
  const auto& copy = *slide.ShapeList().back().Get();
  EXPECT_EQ(copy.type, msoPicture);
  EXPECT_EQ(copy.pixels.width, 40);
  EXPECT_EQ(copy.pixels.height, 20);
  EXPECT_EQ(copy.pixels.data.front(), 0x00FF80u);
  EXPECT_FLOAT_EQ(copy.originalWidth, 30.0f);  // 40 px at 96 dpi
  pasted.PutProperty(L"Top", TVariant::Single(12.5f));
  EXPECT_FLOAT_EQ(copy.top, 12.5f);
}

TEST(StandInShapes, CopyOfANonPictureLeavesNoBitmapAndAnEmptyClipboardCannotBePasted) {
  TStandInPowerPoint powerPoint;
  auto& slide = powerPoint.Slide(1);
  auto box = slide.AddShape(L"Rectangle", msoAutoShape, 0, 0, 10, 10);
  box->Copy();
  TPixels none;
  EXPECT_FALSE(TakePictureFromClipboard(none));
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  CloseClipboard();
  const TDispatch shapes = TDispatch(ComPtr<IDispatch>(slide.Dispatch())).Object(L"Shapes");
  EXPECT_EQ(StatusOf([&] { shapes.CallMethod(L"Paste"); }), static_cast<HRESULT>(0x80048240));
}

TEST(StandInShapes, DeletedShapeLeavesTheSlideAndTheSelection) {
  TStandInPowerPoint powerPoint;
  auto picture = powerPoint.Slide(1).AddPicture(0, 0, 30, 15, Solid(4, 2, 0));
  powerPoint.SelectShapes({picture});
  const TDispatch d{ComPtr<IDispatch>(picture->Dispatch())};
  d.CallMethod(L"Delete");
  EXPECT_TRUE(powerPoint.Slide(1).ShapeList().empty());
  EXPECT_EQ(powerPoint.Window().selection.type, ppSelectionNone);
  EXPECT_NE(StatusOf([&] { d.GetProperty(L"Width"); }), S_OK);
}

TEST(StandInShapes, LockedAspectRatioCarriesEverySizeChangeOverToTheOtherSide) {
  TStandInPowerPoint powerPoint;
  auto picture = powerPoint.Slide(1).AddPicture(0, 0, 300, 100, Solid(200, 100, 0));  // original 150 x 75 pt
  const TDispatch d{ComPtr<IDispatch>(picture->Dispatch())};
  EXPECT_EQ(d.GetProperty(L"LockAspectRatio").ToInt(), msoTrue);  // on for an inserted picture
  d.CallMethod(L"ScaleHeight", {TVariant::Single(1.0f), TVariant::Int(msoTrue), TVariant::Int(0)});
  EXPECT_FLOAT_EQ(picture->height, 75.0f);
  EXPECT_FLOAT_EQ(picture->width, 225.0f);
  const TDispatch range{ComPtr<IDispatch>(MakeStandIn<TStandInShapeRange>(std::vector{picture})->Dispatch())};
  range.PutProperty(L"Width", TVariant::Single(450.0f));
  EXPECT_FLOAT_EQ(picture->height, 150.0f);
  range.PutProperty(L"LockAspectRatio", TVariant::Int(msoFalse));
  range.PutProperty(L"Width", TVariant::Single(30.0f));
  EXPECT_FLOAT_EQ(picture->height, 150.0f);
  EXPECT_EQ(d.GetProperty(L"LockAspectRatio").ToInt(), msoFalse);
}
