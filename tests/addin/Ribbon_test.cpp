// The "Carvelo PPT" ribbon tab as a ribbon host meets it: the XML passes
// the host's checks (and one flaw rejects all of it), every callback
// resolves on the add-in's one IDispatch and answers in the shape the host
// calls it with, the carving buttons follow the selection as the toolbar's
// do, and the icons are 32-bit pictures with their transparency.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <set>

#include "AddinTestSupport.h"
#include "ComValues.h"
#include "RibbonResources_win.h"
#include "StandInRibbon.h"
#include "StandInRibbonXml.h"

using namespace carvelo;
using namespace carvelo::com;
using namespace carvelo::host;
using namespace carvelo::test;
using standin::TStandInPowerPoint;
using standin::TStandInRibbon;

namespace {

// The add-in with counted commands; its XML can be replaced.
class TRibbonAddin final : public TConnectedAddin {
 public:
  static ComPtr<TRibbonAddin> Make() { return TConnectedAddin::Make<TRibbonAddin>(); }

  std::array<int, kButtonCount> runs{};
  std::optional<std::wstring> xml;  // what GetCustomUI answers instead of the add-in's own

  void QuickFitting_Command() override { ++runs[btnQuickFitting]; }
  void EditMask_Command() override { ++runs[btnEditMask]; }
  void Setup_Command() override { ++runs[btnSetup]; }
  void About_Command() override { ++runs[btnAbout]; }
  HRESULT STDMETHODCALLTYPE GetCustomUI(BSTR id, BSTR* ribbonXml) override {
    if (!xml) return TPPTAddin::GetCustomUI(id, ribbonXml);
    *ribbonXml = TBstr(*xml).Detach();
    return S_OK;
  }
};

class Ribbon : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(addIn->Connect(powerPoint.Application()), S_OK);
    auto& slide = powerPoint.Slide(1);
    picture = slide.AddPicture(10, 10, 200, 100, standin::TPixels{2, 1, {0, 0}});
    textBox = slide.AddShape(L"TextBox", msoTextBox, 10, 300, 200, 40);
  }
  void TearDown() override { addIn->Disconnect(); }

  TStandInRibbon& LoadRibbon() { return powerPoint.LoadRibbon(static_cast<IPPTAddin*>(addIn.Get())); }

  TStandInPowerPoint powerPoint;
  ComPtr<TRibbonAddin> addIn = TRibbonAddin::Make();
  ComPtr<standin::TStandInShape> picture, textBox;
};

std::wstring Replaced(std::wstring text, const std::wstring& from, const std::wstring& to) {
  const size_t at = text.find(from);
  EXPECT_NE(at, std::wstring::npos) << std::string(from.begin(), from.end());
  if (at != std::wstring::npos) text.replace(at, from.size(), to);
  return text;
}

}  // namespace

TEST_F(Ribbon, TheXmlPassesTheHostsChecksAndOneFlawRejectsItAsAWhole) {
  const std::wstring xml = addin::RibbonXml();
  EXPECT_NO_THROW(standin::ParseRibbonXml(xml));
  struct TCase {
    const char* name;
    std::wstring from, to;
    std::wstring complaint;  // part of the host's message
  };
  const TCase cases[] = {
      {"an id used twice", L"id=\"CarveloEditMask\"", L"id=\"CarveloQuickFitting\"", L"is used twice"},
      {"an id with an underscore", L"id=\"CarveloSetup\"", L"id=\"Carvelo_Setup\"", L"letters and digits"},
      {"both id and idMso", L"id=\"CarveloAbout\"", L"id=\"CarveloAbout\" idMso=\"FileSave\"", L"exactly one of id"},
      {"no id", L"<button id=\"CarveloAbout\"", L"<button", L"exactly one of id"},
      {"enabled beside getEnabled", L"getEnabled=\"RibbonGetEnabled\"/>",
       L"getEnabled=\"RibbonGetEnabled\" enabled=\"true\"/>", L"enabled and getEnabled exclude each other"},
      {"label beside getLabel", L"label=\"Setup\"", L"label=\"Setup\" getLabel=\"RibbonGetLabel\"",
       L"label and getLabel exclude each other"},
      {"a key tip of four characters", L"keytip=\"Q\"", L"keytip=\"QFIT\"", L"1 to 3 characters"},
      {"a size the schema lacks", L"size=\"large\"", L"size=\"huge\"", L"must be large or normal"},
      {"an attribute the schema lacks", L"screentip=\"Setup\"", L"screentip=\"Setup\" tooltip=\"Setup\"",
       L"tooltip is not known"},
      {"a group outside a tab", L"<tabs>", L"<tabs><group id=\"Stray\" label=\"Stray\"/>",
       L"<group> cannot stand inside <tabs>"},
      {"another namespace", L"2006/01/customui", L"2006/01/customUI", L"is not a customUI namespace"},
      {"a mismatched end tag", L"</group>", L"</grop>", L"does not match <group>"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      standin::ParseRibbonXml(Replaced(xml, c.from, c.to));
      ADD_FAILURE() << "accepted";
    } catch (const standin::ERibbonXmlError& e) {
      EXPECT_NE(e.text.find(c.complaint), std::wstring::npos) << std::string(e.text.begin(), e.text.end());
    }
  }
  // The host applies nothing of a flawed document: no tab, no callback.
  addIn->xml = Replaced(xml, cases[0].from, cases[0].to);
  TStandInRibbon& ribbon = LoadRibbon();
  EXPECT_FALSE(ribbon.Applied());
  EXPECT_TRUE(ribbon.Buttons().empty());
  EXPECT_TRUE(ribbon.Callbacks().empty());
  EXPECT_EQ(ribbon.UiErrors().size(), 1u);
  powerPoint.SelectShapes({picture});
  EXPECT_TRUE(ribbon.TakeInvalidations().empty()) << "onLoad was never called";
}

TEST_F(Ribbon, EveryCallbackResolvesOnTheAddInsDispatch) {
  TStandInRibbon& ribbon = LoadRibbon();
  ASSERT_TRUE(ribbon.Applied());
  EXPECT_EQ(ribbon.UiErrors(), std::vector<std::wstring>{});
  std::set<std::wstring> names;
  std::set<DISPID> ids;
  for (const auto& [name, id] : ribbon.Callbacks()) {
    names.insert(name);
    ids.insert(id);
  }
  EXPECT_EQ(names, (std::set<std::wstring>{L"RibbonOnLoad", L"RibbonLoadImage", L"RibbonOnAction",
                                           L"RibbonGetEnabled"}));
  EXPECT_EQ(ids.size(), names.size());
}

TEST_F(Ribbon, CallbacksAnswerOnlyTheDocumentedArgumentShape) {
  TStandInRibbon& ribbon = LoadRibbon();
  ASSERT_TRUE(ribbon.Applied());
  const auto control = [&](const wchar_t* id) {
    return TVariant::Object(standin::MakeRibbonControl(id, L"", ComPtr<IDispatch>(powerPoint.Window().Dispatch())).Get());
  };
  struct TCase {
    const char* name;
    const wchar_t* callback;
    std::vector<TVariant> args;  // first to last
    bool withResult;
    HRESULT status;
    VARTYPE answer;
  };
  const TCase cases[] = {
      {"getEnabled", L"RibbonGetEnabled", {control(L"CarveloQuickFitting")}, true, S_OK, VT_BOOL},
      {"getEnabled without a result", L"RibbonGetEnabled", {control(L"CarveloQuickFitting")}, false, E_POINTER,
       VT_EMPTY},
      {"getEnabled without its control", L"RibbonGetEnabled", {}, true, DISP_E_BADPARAMCOUNT, VT_EMPTY},
      {"getEnabled with a second argument", L"RibbonGetEnabled",
       {TVariant::Bool(true), control(L"CarveloQuickFitting")}, true, DISP_E_BADPARAMCOUNT, VT_EMPTY},
      {"getEnabled given the id as text", L"RibbonGetEnabled", {TVariant::Text(L"CarveloQuickFitting")}, true,
       DISP_E_TYPEMISMATCH, VT_EMPTY},
      {"getEnabled given a window for a control", L"RibbonGetEnabled",
       {TVariant::Object(powerPoint.Window().Dispatch())}, true, DISP_E_TYPEMISMATCH, VT_EMPTY},
      {"loadImage", L"RibbonLoadImage", {TVariant::Text(L"EditMask32")}, true, S_OK, VT_DISPATCH},
      {"loadImage given a control", L"RibbonLoadImage", {control(L"CarveloEditMask")}, true, DISP_E_TYPEMISMATCH,
       VT_EMPTY},
      {"loadImage of a name the XML lacks", L"RibbonLoadImage", {TVariant::Text(L"Spoon32")}, true, E_INVALIDARG,
       VT_EMPTY},
      {"onAction", L"RibbonOnAction", {control(L"CarveloSetup")}, true, S_OK, VT_EMPTY},
      {"onAction of a control the XML lacks", L"RibbonOnAction", {control(L"CarveloSpoon")}, true, E_INVALIDARG,
       VT_EMPTY},
      {"onLoad given no ribbon", L"RibbonOnLoad", {TVariant::Text(L"ribbon")}, true, DISP_E_TYPEMISMATCH,
       VT_EMPTY},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<VARIANT> reversed;
    for (auto a = c.args.rbegin(); a != c.args.rend(); ++a) reversed.push_back(a->Raw());
    DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
    TVariant result;
    const HRESULT status = addIn->Dispatch()->Invoke(ribbon.Callbacks().at(c.callback), IID_NULL, 0,
                                                     DISPATCH_METHOD, &params, c.withResult ? result.Put() : nullptr,
                                                     nullptr, nullptr);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(result.Type(), c.answer);
  }
  EXPECT_EQ(addIn->runs, (std::array<int, 4>{0, 0, 1, 0})) << "only the one well-formed onAction ran";
}

TEST_F(Ribbon, TheCarvingButtonsFollowTheSelectionAsTheToolbarsDo) {
  TStandInRibbon& ribbon = LoadRibbon();
  const standin::TRibbonNode* quickFitting = ribbon.Button(L"Quick Fitting");
  const standin::TRibbonNode* editMask = ribbon.Button(L"Edit Mask");
  ASSERT_TRUE(quickFitting && editMask);
  const auto bar = powerPoint.Bar(L"Carvelo PPT");
  ASSERT_TRUE(bar);
  struct TStep {
    const char* name;
    std::function<void()> select;
    bool enabled;
  };
  const TStep steps[] = {
      {"one picture", [&] { powerPoint.SelectShapes({picture}); }, true},
      {"a text box's text", [&] { powerPoint.SelectText(textBox); }, false},
      {"nothing", [&] { powerPoint.SelectNothing(); }, false},
      {"one picture again", [&] { powerPoint.SelectShapes({picture}); }, true},
  };
  for (const TStep& step : steps) {
    SCOPED_TRACE(step.name);
    const int queries = ribbon.EnabledQueries();
    step.select();
    EXPECT_EQ(ribbon.TakeInvalidations(), (std::vector<std::wstring>{L"CarveloQuickFitting", L"CarveloEditMask"}));
    EXPECT_EQ(ribbon.Enabled(*quickFitting), step.enabled);
    EXPECT_EQ(ribbon.Enabled(*editMask), step.enabled);
    EXPECT_EQ(ribbon.EnabledQueries(), queries + 2) << "each answer asked again once, then kept";
    EXPECT_EQ(ribbon.Enabled(*quickFitting), step.enabled);
    EXPECT_EQ(ribbon.EnabledQueries(), queries + 2);
    EXPECT_EQ(bar->Buttons()[0]->State().enabled, step.enabled) << "the toolbar shows the same";
  }
  // A click runs the toolbar's command for that button, and a disabled
  // button's click runs nothing.
  for (const wchar_t* label : {L"Quick Fitting", L"Edit Mask", L"Setup", L"About"})
    EXPECT_EQ(ribbon.Click(*ribbon.Button(label)), std::optional<HRESULT>(S_OK));
  powerPoint.SelectNothing();
  EXPECT_EQ(ribbon.Click(*quickFitting), std::nullopt);
  EXPECT_EQ(ribbon.Click(*editMask), std::nullopt);
  EXPECT_EQ(addIn->runs, (std::array<int, 4>{1, 1, 1, 1}));
}

TEST_F(Ribbon, TheIconsAre32BitPicturesOfTheirSizeWithTheirTransparency) {
  struct TCase {
    const wchar_t* image;
    int size;
  };
  const TCase cases[] = {{L"QuickFitting32", 32}, {L"QuickFitting16", 16}, {L"EditMask32", 32},
                         {L"EditMask16", 16},     {L"Setup16", 16},        {L"About16", 16}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.image, c.image + wcslen(c.image)));
    const ComPtr<IPictureDisp> icon = addin::RibbonIcon(c.image);
    ASSERT_TRUE(icon);
    const ComPtr<IPicture> picture = icon.As<IPicture>(IID_IPicture);
    ASSERT_TRUE(picture);
    SHORT type = 0;
    ASSERT_EQ(picture->get_Type(&type), S_OK);
    EXPECT_EQ(type, PICTYPE_BITMAP);
    OLE_HANDLE handle = 0;
    ASSERT_EQ(picture->get_Handle(&handle), S_OK);
    DIBSECTION dib{};
    ASSERT_EQ(GetObjectW(reinterpret_cast<HBITMAP>(static_cast<UINT_PTR>(handle)), sizeof dib, &dib),
              static_cast<int>(sizeof dib));
    EXPECT_EQ(dib.dsBm.bmBitsPixel, 32);
    EXPECT_EQ(dib.dsBm.bmWidth, c.size);
    EXPECT_EQ(dib.dsBm.bmHeight, c.size);
    ASSERT_NE(dib.dsBm.bmBits, nullptr);
    const auto* pixels = static_cast<const uint8_t*>(dib.dsBm.bmBits);
    int clear = 0, opaque = 0, notPremultiplied = 0;
    for (int i = 0; i < c.size * c.size; ++i) {
      const uint8_t* p = pixels + 4 * i;
      clear += p[3] == 0;
      opaque += p[3] == 255;
      notPremultiplied += p[0] > p[3] || p[1] > p[3] || p[2] > p[3];
    }
    EXPECT_EQ(pixels[3], 0) << "the top-left corner is transparent";
    EXPECT_GT(clear, c.size) << "transparent pixels";
    EXPECT_GT(opaque, c.size) << "opaque pixels";
    EXPECT_EQ(notPremultiplied, 0);
  }
  EXPECT_FALSE(addin::RibbonIcon(L"Spoon32"));
  // Every image the tab names loads, once per name.
  TStandInRibbon& ribbon = LoadRibbon();
  for (const standin::TRibbonNode* button : ribbon.Buttons()) EXPECT_TRUE(ribbon.Image(*button));
  EXPECT_EQ(ribbon.UiErrors(), std::vector<std::wstring>{});
}
