// The host layer: calls by name and by dispatch id, the value types the
// host expects (points as singles, -1/0 booleans, integer indexes), errors
// raised where the call fails, and the application connection with its
// selection event.
#include <gtest/gtest.h>

#include <vector>

#include "ComObject.h"
#include "Dispatch.h"
#include "HostError.h"
#include "HostIds.h"
#include "OfficeCommandBars.h"
#include "PowerPointApplication.h"
#include "PowerPointModel.h"
#include "StandInHost.h"

using namespace carvelo::com;
using namespace carvelo::host;
using namespace carvelo::standin;

namespace {

HRESULT StatusOf(auto&& call) {
  try {
    call();
  } catch (const EHostError& e) {
    return e.Status();
  }
  return S_OK;
}

// An automation object that records every call and answers VT_EMPTY.
class TRecorder final : public IDispatch {
 public:
  struct TCall {
    DISPID id;
    WORD flags;
    std::vector<TVariant> args;  // natural order; a put's value last
  };
  std::vector<std::wstring> names;
  std::vector<TCall> calls;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_CommandBarButton) {
      *object = this;
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* n, UINT, LCID, DISPID* id) override {
    names.emplace_back(n[0]);
    *id = static_cast<DISPID>(names.size());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* p, VARIANT* result, EXCEPINFO*,
                                   UINT*) override {
    TCall call{id, flags, {}};
    for (UINT i = p->cArgs; i-- > 0;) call.args.push_back(TVariant::CopyOf(p->rgvarg[i]));
    if ((flags & DISPATCH_PROPERTYPUT) &&
        (p->cNamedArgs != 1 || p->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT))
      return DISP_E_PARAMNOTFOUND;
    calls.push_back(std::move(call));
    if (result) VariantInit(result);
    return S_OK;
  }
  const std::wstring& NameOf(const TCall& c) const { return names.at(c.id - 1); }
};

}  // namespace

TEST(HostValueTypes, SizesGoAsSinglesIndexesAsIntegersBooleansAsMinusOneAndZero) {
  TRecorder recorder;
  const TShapeRange range{TDispatch(ComPtr<IDispatch>(&recorder))};
  range.SetTop(12.5f);
  range.SetLeft(3.0f);
  range.SetWidth(100.0f);
  range.SetHeight(50.0f);
  ASSERT_EQ(recorder.calls.size(), 4u);
  const wchar_t* expected[] = {L"Top", L"Left", L"Width", L"Height"};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(recorder.NameOf(recorder.calls[i]), expected[i]);
    EXPECT_EQ(recorder.calls[i].flags, DISPATCH_PROPERTYPUT);
    ASSERT_EQ(recorder.calls[i].args.size(), 1u);
    EXPECT_EQ(recorder.calls[i].args[0].Type(), VT_R4);
  }
  EXPECT_FLOAT_EQ(recorder.calls[0].args[0].ToSingle(), 12.5f);

  const TCommandBarButton button{TDispatch(ComPtr<IDispatch>(&recorder))};
  button.SetEnabled(true);
  button.SetEnabled(false);
  const auto& on = recorder.calls[4].args[0];
  const auto& off = recorder.calls[5].args[0];
  EXPECT_EQ(on.Type(), VT_BOOL);
  EXPECT_EQ(V_BOOL(&on.Raw()), -1);
  EXPECT_EQ(V_BOOL(&off.Raw()), 0);
}

TEST(HostValueTypes, ScalingPassesFactorAsSingleThenTheTwoIntegerArguments) {
  TRecorder recorder;
  const TShape shape{TDispatch(ComPtr<IDispatch>(&recorder))};
  shape.ScaleHeight(0.5f, 1, 0);
  ASSERT_EQ(recorder.calls.size(), 1u);
  const auto& call = recorder.calls[0];
  EXPECT_EQ(recorder.NameOf(call), L"ScaleHeight");
  EXPECT_EQ(call.flags, DISPATCH_METHOD);
  ASSERT_EQ(call.args.size(), 3u);
  EXPECT_EQ(call.args[0].Type(), VT_R4);
  EXPECT_FLOAT_EQ(call.args[0].ToSingle(), 0.5f);
  EXPECT_EQ(call.args[1].Type(), VT_I4);
  EXPECT_EQ(call.args[1].ToInt(), 1);
  EXPECT_EQ(call.args[2].ToInt(), 0);
}

TEST(HostValueTypes, ControlsAddPassesItsFiveArgumentsInOrder) {
  TRecorder recorder;
  const TCommandBarControls controls{TDispatch(ComPtr<IDispatch>(&recorder))};
  EXPECT_EQ(StatusOf([&] { controls.Add(1, 1, 0, 3, false); }), E_POINTER);  // the recorder answers Nothing
  ASSERT_EQ(recorder.calls.size(), 1u);
  const auto& a = recorder.calls[0].args;
  ASSERT_EQ(a.size(), 5u);
  EXPECT_EQ(a[0].ToInt(), 1);
  EXPECT_EQ(a[1].ToInt(), 1);
  EXPECT_EQ(a[2].ToInt(), 0);
  EXPECT_EQ(a[3].ToInt(), 3);
  EXPECT_EQ(a[4].Type(), VT_BOOL);
  EXPECT_EQ(V_BOOL(&a[4].Raw()), 0);
}

TEST(HostCalls, ByNameAndByDispatchIdReachTheSameMember) {
  TStandInPowerPoint powerPoint;
  const TDispatch app{ComPtr<IDispatch>(powerPoint.Application())};
  EXPECT_EQ(app.GetProperty(L"Name").ToText(), L"Microsoft PowerPoint");
  EXPECT_EQ(app.GetProperty(L"name").ToText(), L"Microsoft PowerPoint");
  const DISPID id = app.IdOf(L"Name");
  EXPECT_EQ(app.InvokeById(id, DISPATCH_PROPERTYGET, {}, "Name").ToText(), L"Microsoft PowerPoint");
}

TEST(HostCalls, AFailedCallRaisesTheHostsStatusAtTheCallSite) {
  TStandInPowerPoint powerPoint;
  const TDispatch app{ComPtr<IDispatch>(powerPoint.Application())};
  EXPECT_EQ(StatusOf([&] { app.GetProperty(L"NoSuchMember"); }), DISP_E_UNKNOWNNAME);
  const TSlides slides = TPresentation(app.Object(L"ActivePresentation")).Slides();
  EXPECT_EQ(StatusOf([&] { slides.Item(2); }), DISP_E_BADINDEX);
  EXPECT_EQ(StatusOf([&] { slides.Item(1); }), S_OK);
  powerPoint.Slide(1).AddShape(L"Rectangle", msoAutoShape, 0, 0, 10, 10);
  const TSelection selection = TDocumentWindow(app.Object(L"ActiveWindow")).Selection();
  EXPECT_EQ(StatusOf([&] { selection.ShapeRange(); }), static_cast<HRESULT>(0x80048240));
  try {
    slides.Item(7);
    FAIL() << "no error raised";
  } catch (const EHostError& e) {
    EXPECT_NE(std::string(e.what()).find("Item"), std::string::npos) << e.what();
  }
}

TEST(HostCommandBars, BindingNeedsTheCommandBarsInterface) {
  TStandInPowerPoint powerPoint;
  EXPECT_EQ(StatusOf([&] { TCommandBars bars(ComPtr<IDispatch>(powerPoint.Bars().Dispatch())); }), S_OK);
  EXPECT_EQ(StatusOf([&] { TCommandBars bars(ComPtr<IDispatch>(powerPoint.Application())); }), E_NOINTERFACE);
  EXPECT_EQ(StatusOf([&] { TCommandBars bars(nullptr); }), E_POINTER);
}

TEST(HostCommandBars, BarsButtonsAndFindControlThroughTheLayer) {
  TStandInPowerPoint powerPoint;
  const TCommandBars bars(ComPtr<IDispatch>(powerPoint.Bars().Dispatch()));
  const TCommandBar bar = bars.Add(L"Layer", msoBarTop, false, false);
  EXPECT_EQ(bars.Item(bars.Count()).Name(), L"Layer");
  const TCommandBarButton button(bar.Controls().Add(msoControlButton, 1, 0, 1, false));
  button.SetTag(L"T$$$");
  button.SetCaption(L"Caption");
  button.SetTooltipText(L"Tip");
  button.SetStyle(msoButtonIconAndCaption);
  button.SetFaceId(2619);
  EXPECT_EQ(button.Tag(), L"T$$$");
  EXPECT_EQ(button.Caption(), L"Caption");
  EXPECT_EQ(button.TooltipText(), L"Tip");
  EXPECT_EQ(button.Style(), 3);
  EXPECT_EQ(button.FaceId(), 2619);
  bar.SetVisible(true);
  EXPECT_TRUE(bar.Visible());
  EXPECT_TRUE(static_cast<bool>(bar.FindControl(msoControlButton, 1, L"T$$$", true, true)));
  EXPECT_FALSE(static_cast<bool>(bar.FindControl(msoControlButton, 1, L"t$$$", true, true)));
  bar.Delete();
  EXPECT_FALSE(powerPoint.Bar(L"Layer"));
}

TEST(HostApplication, ConnectsToTheRunningPowerPointAndHearsSelectionChanges) {
  TStandInPowerPoint powerPoint;
  auto picture = powerPoint.Slide(1).AddPicture(0, 0, 10, 10, TPixels{1, 1, {0}});
  TPowerPointApplication app;
  std::vector<IDispatch*> heard;
  app.SetOnWindowSelectionChange([&](IDispatch* selection) { heard.push_back(selection); });
  app.Connect();
  EXPECT_TRUE(SameObject(app.Application().Get(), powerPoint.Application()));
  EXPECT_TRUE(app.ListensToEvents());
  EXPECT_EQ(powerPoint.App().SinkCount(), 1u);
  const auto answers = powerPoint.SelectShapes({picture});
  ASSERT_EQ(heard.size(), 1u);
  EXPECT_EQ(heard[0], powerPoint.Window().SelectionObject());
  EXPECT_EQ(answers, std::vector<HRESULT>{S_OK});
  EXPECT_EQ(app.ActiveWindow().Selection().ShapeRange().Type(), msoPicture);
  app.Disconnect();
  EXPECT_EQ(powerPoint.App().SinkCount(), 0u);
  powerPoint.SelectNothing();
  EXPECT_EQ(heard.size(), 1u);
}

TEST(HostApplication, AHandlerErrorBecomesTheEventsStatus) {
  TStandInPowerPoint powerPoint;
  TPowerPointApplication app;
  app.SetOnWindowSelectionChange([](IDispatch*) { throw EHostError(DISP_E_BADINDEX, "test"); });
  app.Connect();
  EXPECT_EQ(powerPoint.SelectNothing(), std::vector<HRESULT>{DISP_E_BADINDEX});
}

TEST(HostApplication, ItsEventSinkKeepsTheModuleLoadedWhileItLives) {
  const long before = LiveObjectCount();
  {
    TPowerPointApplication app;
    EXPECT_EQ(LiveObjectCount(), before + 1);
  }
  EXPECT_EQ(LiveObjectCount(), before);
}

TEST(HostApplication, WithoutARunningPowerPointConnectRaises) {
  TPowerPointApplication app;
  EXPECT_NE(StatusOf([&] { app.Connect(); }), S_OK);
  EXPECT_FALSE(app.Connected());
}

TEST(HostModel, PasteIntoTheSelectionsSlideAnswersThePastedShapes) {
  TStandInPowerPoint powerPoint;
  powerPoint.App().presentation->AddSlide();
  powerPoint.Window().currentSlide = 2;
  auto picture = powerPoint.Slide(2).AddPicture(50, 60, 75, 30, TPixels{100, 40, std::vector<uint32_t>(4000, 0x123456)});
  powerPoint.SelectShapes({picture});
  TPowerPointApplication app;
  app.Connect();
  const TSelection selection = app.ActiveWindow().Selection();
  const TShape shape = selection.ShapeRange().Item(1);
  EXPECT_FLOAT_EQ(shape.Width(), 75.0f);
  EXPECT_FLOAT_EQ(shape.Left(), 50.0f);
  shape.Copy();
  const TSlides slides = app.ActivePresentation().Slides();
  const int index = slides.FindBySlideID(selection.SlideRange().SlideID()).SlideIndex();
  EXPECT_EQ(index, 2);
  const TShapeRange pasted = slides.Item(index).Shapes().Paste();
  EXPECT_EQ(pasted.Count(), 1);
  EXPECT_EQ(pasted.Type(), msoPicture);
  pasted.SetTop(shape.Top());
  shape.Delete();
  ASSERT_EQ(powerPoint.Slide(2).ShapeList().size(), 1u);
  EXPECT_FLOAT_EQ(powerPoint.Slide(2).ShapeList()[0]->top, 60.0f);
}
