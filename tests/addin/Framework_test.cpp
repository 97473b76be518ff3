// The Office add-in framework: host name and command-bar binding with its
// message and the Outlook exception, the base handlers' notices, and errors
// raised in a handler returned to the host as the method's status.
#include <gtest/gtest.h>

#include "AddinTestSupport.h"
#include "HostError.h"
#include "MessageBoxRobot.h"

using namespace carvelo;
using namespace carvelo::test;
using standin::TMessageBoxRobot;
using standin::TStandInOptions;
using standin::TStandInPowerPoint;

namespace {

TStandInOptions Host(const wchar_t* name, bool commandBars) {
  TStandInOptions options;
  options.name = name;
  options.commandBars = commandBars;
  return options;
}

// The framework with the base handlers, and one whose handlers raise.
class TBareAddIn final : public addin::TMSOfficeAddIn<IPPTAddin> {
 public:
  TBareAddIn() : TMSOfficeAddIn(addin::kIID_IPPTAddin) {}
  static ComPtr<TBareAddIn> Make() { return ComPtr<TBareAddIn>::Adopt(new TBareAddIn()); }
};

class TFailingAddIn final : public addin::TMSOfficeAddIn<IPPTAddin> {
 public:
  TFailingAddIn() : TMSOfficeAddIn(addin::kIID_IPPTAddin) {}
  static ComPtr<TFailingAddIn> Make() { return ComPtr<TFailingAddIn>::Adopt(new TFailingAddIn()); }

 protected:
  HRESULT DoOnConnection(host::ext_ConnectMode, IDispatch*, SAFEARRAY**) override {
    throw com::EHostError(static_cast<HRESULT>(0x80041234), "test");
  }
  HRESULT DoOnStartupComplete(SAFEARRAY**) override { throw std::runtime_error("not a host error"); }
  HRESULT DoOnBeginShutdown(SAFEARRAY**) override { return static_cast<HRESULT>(0x80045678); }
};

}  // namespace

TEST(AddInConnection, ReadsTheHostNameAndBindsItsCommandBarsWithoutAMessage) {
  TStandInPowerPoint powerPoint;
  TMessageBoxRobot robot;
  auto addIn = TObservedAddin::Make();
  EXPECT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
  EXPECT_EQ(addIn->HostName(), L"Microsoft PowerPoint");
  EXPECT_TRUE(com::SameObject(addIn->CommandBars().Get(), powerPoint.Bars().Dispatch()));
  EXPECT_TRUE(com::SameObject(addIn->HostApplication(), powerPoint.Application()));
  EXPECT_TRUE(robot.Seen().empty());
  addIn->ShutDown();
}

TEST(AddInConnection, AnOutlookHostGetsNoCommandBarBindingAndNoMessage) {
  TStandInPowerPoint outlook(Host(L"Outlook", true));
  TMessageBoxRobot robot;
  auto addIn = TObservedAddin::Make();
  EXPECT_EQ(addIn->Connect(outlook.Application()), S_OK);
  EXPECT_EQ(addIn->HostName(), L"Outlook");
  EXPECT_FALSE(addIn->CommandBars());
  EXPECT_TRUE(robot.Seen().empty());
  EXPECT_FALSE(outlook.Bar(L"Carvelo PPT"));
  EXPECT_EQ(addIn->Settings(), TCarveSettings{});
}

TEST(AddInConnection, AHostWithoutCommandBarsShowsTheMessageOnceAndStillConnects) {
  TStandInPowerPoint powerPoint(Host(L"Microsoft PowerPoint", false));
  TMessageBoxRobot robot;
  auto addIn = TObservedAddin::Make();
  EXPECT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
  const auto seen = robot.Seen();
  ASSERT_EQ(seen.size(), 1u);
  EXPECT_EQ(seen[0].text, L"Failed to bind to MS Office application command bars!");
  EXPECT_FALSE(addIn->CommandBars());
  EXPECT_FALSE(addIn->CommandBar());
  // The connection handler still ran: application bound, defaults set.
  ASSERT_NE(addIn->Application(), nullptr);
  EXPECT_TRUE(addIn->Application()->Connected());
  EXPECT_EQ(addIn->Settings(), TCarveSettings{});
}

// What the object holds of another: its reference count apart from ours.
ULONG ReferencesTo(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

TEST(AddInConnection, DisconnectionLetsGoOfPowerPointAndItsEvents) {
  for (const auto mode : {host::ext_dm_HostShutdown, host::ext_dm_UserClosed}) {
    TStandInPowerPoint powerPoint;
    const ULONG unconnected = ReferencesTo(powerPoint.Application());
    auto addIn = TObservedAddin::Make();
    ASSERT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
    ASSERT_EQ(powerPoint.App().SinkCount(), 1u);
    EXPECT_EQ(addIn->Disconnect(mode), S_OK);
    EXPECT_EQ(powerPoint.App().SinkCount(), 0u) << mode;
    EXPECT_EQ(ReferencesTo(powerPoint.Application()), unconnected) << mode;
    EXPECT_EQ(addIn->Application(), nullptr) << mode;
  }
}

TEST(AddInConnection, AnUnnamedHostIsCalledUnknown) {
  TStandInPowerPoint powerPoint(Host(L"", true));
  auto addIn = TObservedAddin::Make();
  EXPECT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
  EXPECT_EQ(addIn->HostName(), L"Unknown MS Office host application");
  addIn->ShutDown();
}

TEST(AddInConnection, ConnectionSetsTheFiveCarvingSettingsToTheirDefaults) {
  TStandInPowerPoint powerPoint;
  auto addIn = TObservedAddin::Make();
  ASSERT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
  const TCarveSettings& s = addIn->Settings();
  EXPECT_EQ(s.Filter, 0);
  EXPECT_EQ(s.Stretch, 400);
  EXPECT_EQ(s.MasqueWeight, 100);
  EXPECT_EQ(s.SamplingQuality, 2);
  EXPECT_TRUE(s.ScaleBeforeCarving);
  addIn->ShutDown();
}

TEST(AddInConnection, StartupCompleteAddInsUpdateAndBeginShutdownSucceedAndChangeNothing) {
  TStandInPowerPoint powerPoint;
  TMessageBoxRobot robot;
  auto addIn = TObservedAddin::Make();
  ASSERT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
  const auto bar = powerPoint.Bar(L"Carvelo PPT");
  ASSERT_TRUE(bar);
  const size_t sinks = bar->Buttons()[0]->SinkCount();
  TCustomArray custom;
  EXPECT_EQ(addIn->OnStartupComplete(custom.Put()), S_OK);
  EXPECT_EQ(addIn->OnAddInsUpdate(custom.Put()), S_OK);
  EXPECT_EQ(addIn->OnBeginShutdown(custom.Put()), S_OK);
  EXPECT_TRUE(bar->Visible());
  EXPECT_EQ(bar->Buttons().size(), 4u);
  EXPECT_EQ(bar->Buttons()[0]->SinkCount(), sinks);
  EXPECT_TRUE(robot.Seen().empty());
}

TEST(AddInFramework, EachBaseHandlerShowsANoticeNamingItself) {
  TStandInPowerPoint powerPoint;
  TMessageBoxRobot robot;
  auto addIn = TBareAddIn::Make();
  TCustomArray custom;
  EXPECT_EQ(addIn->OnConnection(powerPoint.Application(), host::ext_cm_Startup, nullptr, custom.Put()), S_OK);
  EXPECT_EQ(addIn->OnAddInsUpdate(custom.Put()), S_OK);
  EXPECT_EQ(addIn->OnStartupComplete(custom.Put()), S_OK);
  EXPECT_EQ(addIn->OnBeginShutdown(custom.Put()), S_OK);
  EXPECT_EQ(addIn->OnDisconnection(host::ext_dm_HostShutdown, custom.Put()), S_OK);
  const auto seen = robot.Seen();
  const wchar_t* expected[] = {L"TMSOfficeAddIn.DoOnConnection", L"TMSOfficeAddIn.DoOnAddInsUpdate",
                               L"TMSOfficeAddIn.DoOnStartupComplete", L"TMSOfficeAddIn.DoOnBeginShutdown",
                               L"TMSOfficeAddIn.DoOnDisconnection"};
  ASSERT_EQ(seen.size(), 5u);
  for (size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(seen[i].text, expected[i]);
    EXPECT_EQ(seen[i].caption, L"Message");
  }
}

TEST(AddInFramework, AnErrorRaisedInAHandlerIsTheMethodsStatus) {
  TStandInPowerPoint powerPoint;
  auto addIn = TFailingAddIn::Make();
  TCustomArray custom;
  EXPECT_EQ(addIn->OnConnection(powerPoint.Application(), host::ext_cm_Startup, nullptr, custom.Put()),
            static_cast<HRESULT>(0x80041234));
  EXPECT_EQ(addIn->OnStartupComplete(custom.Put()), E_FAIL);
  EXPECT_EQ(addIn->OnBeginShutdown(custom.Put()), static_cast<HRESULT>(0x80045678));
}

TEST(AddInFramework, TheObjectAnswersItsInterfacesWithOneIdentity) {
  auto addIn = TObservedAddin::Make();
  ComPtr<IUnknown> unknown;
  ComPtr<IDispatch> dispatch, typed;
  ComPtr<host::IDTExtensibility2> extensibility;
  ASSERT_EQ(addIn->QueryInterface(IID_IUnknown, unknown.PutVoid()), S_OK);
  ASSERT_EQ(addIn->QueryInterface(IID_IDispatch, dispatch.PutVoid()), S_OK);
  ASSERT_EQ(addIn->QueryInterface(addin::kIID_IPPTAddin, typed.PutVoid()), S_OK);
  ASSERT_EQ(addIn->QueryInterface(host::IID_IDTExtensibility2, extensibility.PutVoid()), S_OK);
  EXPECT_TRUE(com::SameObject(unknown.Get(), extensibility.Get()));
  EXPECT_TRUE(com::SameObject(dispatch.Get(), typed.Get()));
  ComPtr<IUnknown> none;
  EXPECT_EQ(addIn->QueryInterface(IID_IClassFactory, none.PutVoid()), E_NOINTERFACE);
  EXPECT_FALSE(none);
}
