// The button click sink: connection with cookies, and the dispatch rules
// (Click with exactly two arguments, everything else unknown).
#include <gtest/gtest.h>

#include "CommandBarEvents.h"
#include "EventSink.h"
#include "HostIds.h"
#include "StandInHost.h"

using namespace carvelo;
using host::TCommandBarButtonEventsSink;
using com::TEventSink;
using com::ComPtr;

namespace {

struct TClickTrace {
  int calls = 0;
  IDispatch* control = nullptr;
};

ComPtr<TCommandBarButtonEventsSink> CountingSink(TClickTrace& trace, VARIANT_BOOL answer) {
  auto sink = ComPtr<TCommandBarButtonEventsSink>::Adopt(new TCommandBarButtonEventsSink());
  sink->SetHandler([&trace, answer](IDispatch* control, VARIANT_BOOL& cancel) {
    ++trace.calls;
    trace.control = control;
    cancel = answer;
  });
  return sink;
}

HRESULT Call(IDispatch* sink, DISPID id, std::vector<VARIANTARG> reversedArgs) {
  DISPPARAMS params{reversedArgs.data(), nullptr, static_cast<UINT>(reversedArgs.size()), 0};
  return sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
}

VARIANTARG ControlArg(IDispatch* control) {
  VARIANTARG v;
  V_VT(&v) = VT_DISPATCH;
  V_DISPATCH(&v) = control;
  return v;
}

VARIANTARG CancelArg(VARIANT_BOOL* flag) {
  VARIANTARG v;
  V_VT(&v) = VT_BOOL | VT_BYREF;
  V_BOOLREF(&v) = flag;
  return v;
}

}  // namespace

TEST(ClickSink, ClickWithItsTwoArgumentsRunsTheHandlerAndWritesTheFlagBack) {
  TClickTrace trace;
  auto sink = CountingSink(trace, VARIANT_TRUE);
  IDispatch* control = sink.Get();  // any object stands for the control
  VARIANT_BOOL cancel = VARIANT_FALSE;
  EXPECT_EQ(Call(sink.Get(), 1, {CancelArg(&cancel), ControlArg(control)}), S_OK);
  EXPECT_EQ(trace.calls, 1);
  EXPECT_EQ(trace.control, control);
  EXPECT_EQ(cancel, VARIANT_TRUE);
}

TEST(ClickSink, AnotherDispatchIdOrArgumentCountRunsNothing) {
  TClickTrace trace;
  auto sink = CountingSink(trace, VARIANT_TRUE);
  VARIANT_BOOL cancel = VARIANT_FALSE;
  EXPECT_EQ(Call(sink.Get(), 2, {CancelArg(&cancel), ControlArg(sink.Get())}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(sink.Get(), 0, {CancelArg(&cancel), ControlArg(sink.Get())}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(sink.Get(), 1, {ControlArg(sink.Get())}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(sink.Get(), 1, {}), DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(Call(sink.Get(), 1, {CancelArg(&cancel), ControlArg(sink.Get()), ControlArg(sink.Get())}),
            DISP_E_MEMBERNOTFOUND);
  EXPECT_EQ(trace.calls, 0);
  EXPECT_EQ(cancel, VARIANT_FALSE);
}

TEST(ClickSink, TheBaseSinkKnowsNoMemberTypeInformationOrNames) {
  auto sink = ComPtr<TEventSink>::Adopt(new TEventSink(host::DIID_CommandBarButtonEvents));
  VARIANT_BOOL cancel = VARIANT_FALSE;
  EXPECT_EQ(Call(sink.Get(), 1, {CancelArg(&cancel), ControlArg(sink.Get())}), DISP_E_MEMBERNOTFOUND);
  UINT count = 7;
  EXPECT_EQ(sink->GetTypeInfoCount(&count), E_NOTIMPL);
  ITypeInfo* info = nullptr;
  EXPECT_EQ(sink->GetTypeInfo(0, 0, &info), E_NOTIMPL);
  wchar_t name[] = L"Click";
  LPOLESTR names[] = {name};
  DISPID id = 0;
  EXPECT_EQ(sink->GetIDsOfNames(IID_NULL, names, 1, 0, &id), E_NOTIMPL);
}

TEST(ClickSink, AQueryForTheEventInterfaceAnswersTheSinksDispatch) {
  auto sink = ComPtr<TCommandBarButtonEventsSink>::Adopt(new TCommandBarButtonEventsSink());
  ComPtr<IDispatch> events, dispatch;
  ASSERT_EQ(sink->QueryInterface(host::DIID_CommandBarButtonEvents, events.PutVoid()), S_OK);
  ASSERT_EQ(sink->QueryInterface(IID_IDispatch, dispatch.PutVoid()), S_OK);
  EXPECT_EQ(events.Get(), dispatch.Get());
  ComPtr<IUnknown> other;
  EXPECT_EQ(sink->QueryInterface(host::IID_CommandBars, other.PutVoid()), E_NOINTERFACE);
}

TEST(ClickSink, ConnectKeepsTheCookieReconnectsOnceAndDisconnectUnadvises) {
  standin::TStandInPowerPoint powerPoint;
  auto bar = powerPoint.Bars().AddBar(L"Test", host::msoBarTop, false, false);
  auto button = bar->AddButton({}, 1, false);
  TClickTrace trace;
  auto sink = CountingSink(trace, VARIANT_FALSE);
  EXPECT_FALSE(sink->Connected());
  ASSERT_TRUE(sink->Connect(button->Dispatch()));
  EXPECT_NE(sink->Cookie(), 0u);
  ASSERT_TRUE(sink->Connect(button->Dispatch()));  // disconnects first
  EXPECT_EQ(button->SinkCount(), 1u);
  button->Click();
  EXPECT_EQ(trace.calls, 1);
  EXPECT_TRUE(sink->Disconnect());
  EXPECT_EQ(sink->Cookie(), 0u);
  EXPECT_EQ(button->SinkCount(), 0u);
  button->Click();
  EXPECT_EQ(trace.calls, 1);
  EXPECT_TRUE(sink->Disconnect());  // not connected: nothing to do
  EXPECT_FALSE(sink->Connect(powerPoint.Application()));  // no button events there
  EXPECT_EQ(sink->Cookie(), 0u);
}
