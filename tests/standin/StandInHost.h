// TStandInPowerPoint: one "start" of the PowerPoint stand-in. It registers
// its application in the Running Object Table under PowerPoint's class id,
// keeps its custom command bars in a file between starts, loads the current
// user's add-ins from the registry as PowerPoint does, and lets a test play
// the user: select shapes, switch views, click buttons, unload an add-in,
// quit.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "OfficeAddInInterface.h"
#include "StandInPowerPoint.h"
#include "StandInRibbon.h"
#include "StandInUserClasses.h"

namespace carvelo::standin {

// The empty custom array every IDTExtensibility2 call carries.
class TCustomArray {
 public:
  TCustomArray() : array_(SafeArrayCreateVector(VT_VARIANT, 0, 0)) {}
  ~TCustomArray() { SafeArrayDestroy(array_); }
  TCustomArray(const TCustomArray&) = delete;
  TCustomArray& operator=(const TCustomArray&) = delete;
  SAFEARRAY** Put() { return &array_; }

 private:
  SAFEARRAY* array_;
};

struct TStandInOptions {
  std::wstring name = L"Microsoft PowerPoint";
  bool commandBars = true;  // false: a host without a "CommandBars" property
  // The file that keeps custom command bars from one start to the next;
  // empty: nothing is kept.
  std::wstring barsFile;
  // false: never registered in the Running Object Table, as a starting
  // Office application may not be yet when it loads its add-ins.
  bool registerInRot = true;
  // Copy puts a picture on the clipboard as displayed, not its own pixels.
  bool copyAsDisplayed = false;
  // false: Copy offers only the bitmap, no "PNG".
  bool copyOffersPng = true;
  // false: an older PowerPoint, whose Shapes have no AddPicture2.
  bool hasAddPicture2 = true;
  // Wine has no merged view of the classes root: with this set, a class
  // that COM cannot find is looked up in the current user's classes, as
  // Windows would (see StandInUserClasses.h).
  bool userClassesView = false;
};

struct TLoadedAddIn {
  std::wstring progId;
  std::wstring hive;  // where its Addins key was found: "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE"
  bool throughUserClassesView = false;  // created by the stand-in's merged view, not by COM
  ComPtr<host::IDTExtensibility2> object;  // null once disconnected or when loading failed
  HRESULT connectStatus = E_FAIL;
  TStandInRibbon* ribbon = nullptr;  // loaded after a successful connection; the host owns it
};

class TStandInPowerPoint {
 public:
  explicit TStandInPowerPoint(TStandInOptions options = {});
  ~TStandInPowerPoint();
  TStandInPowerPoint(const TStandInPowerPoint&) = delete;
  TStandInPowerPoint& operator=(const TStandInPowerPoint&) = delete;

  static constexpr const wchar_t* kAddinsKey = L"Software\\Microsoft\\Office\\PowerPoint\\Addins";

  // Every add-in under the machine's and the current user's Addins keys
  // with LoadBehavior 3, by ProgID (the user's entry wins over the
  // machine's): OnConnection (startup), then OnStartupComplete for all. An
  // add-in that fails to load gets LoadBehavior 2, as Office does.
  void LoadAddIns();
  // The user unloads an add-in: OnDisconnection(user closed); its
  // LoadBehavior becomes 2. Answers the add-in's status.
  HRESULT UnloadAddIn(const std::wstring& progId);
  // OnBeginShutdown to every add-in, then OnDisconnection(host shutdown),
  // then the custom command bars are saved and the ROT entry revoked.
  void Quit();

  TStandInApp& App() const noexcept { return *app_.Get(); }
  IDispatch* Application() const noexcept { return app_->Dispatch(); }
  TStandInBars& Bars() const noexcept { return *bars_.Get(); }
  ComPtr<TStandInBar> Bar(std::wstring_view name) const { return bars_->Find(name); }
  TStandInSlide& Slide(int index) const;
  TStandInWindow& Window() const noexcept { return *app_->window.Get(); }
  const std::vector<TLoadedAddIn>& AddIns() const noexcept { return addIns_; }
  const TLoadedAddIn* AddIn(std::wstring_view progId) const;

  // The ribbon of an add-in object just connected, as the host loads it
  // after a successful OnConnection; the host keeps it until Quit.
  TStandInRibbon& LoadRibbon(IUnknown* addIn);
  const std::vector<std::unique_ptr<TStandInRibbon>>& Ribbons() const noexcept { return ribbons_; }

  // The user's selection changes; each fires WindowSelectionChange and
  // answers the sinks' statuses.
  std::vector<HRESULT> SelectShapes(std::vector<ComPtr<TStandInShape>> shapes);
  std::vector<HRESULT> SelectText(ComPtr<TStandInShape> textShape);
  std::vector<HRESULT> SelectNothing();
  // Slides selected in the slide pane (selection type 1).
  std::vector<HRESULT> SelectSlides();
  std::vector<HRESULT> SetViews(int windowViewType, int paneViewType);

  // A window that draws the visible command bars (buttons clickable) and
  // the current slide, for people and screenshots.
  void ShowWindow();
  // Runs the window's messages for `milliseconds`.
  void PumpMessages(unsigned milliseconds) const;
  // The buttons the window shows, by child id - 1.
  std::vector<ComPtr<TStandInButton>>& WindowButtons() noexcept { return windowButtons_; }
  // The ribbon buttons the window shows, by child id - 1000.
  struct TShownRibbonButton {
    TStandInRibbon* ribbon;
    const TRibbonNode* button;
  };
  std::vector<TShownRibbonButton>& WindowRibbonButtons() noexcept { return windowRibbonButtons_; }

 private:
  void CreateBuiltInBars();
  void LoadBars();
  void SaveBars() const;
  struct TAddInEntry;
  static void ReadAddInEntries(HKEY hive, const wchar_t* hiveName, std::vector<TAddInEntry>& entries);
  ComPtr<IUnknown> CreateAddIn(const std::wstring& progId, TLoadedAddIn& loaded);
  void ConnectAddIn(const TAddInEntry& entry);
  TStandInOptions options_;
  ComPtr<TStandInBars> bars_;
  ComPtr<TStandInApp> app_;
  DWORD rotCookie_ = 0;
  bool running_ = false;
  std::vector<TServerModule> userClassServers_;  // outlives the add-ins below
  std::vector<TLoadedAddIn> addIns_;
  std::vector<std::unique_ptr<TStandInRibbon>> ribbons_;
  std::vector<ComPtr<IDispatch>> addInInstances_;
  HWND window_ = nullptr;
  std::vector<ComPtr<TStandInButton>> windowButtons_;
  std::vector<TShownRibbonButton> windowRibbonButtons_;
};

}  // namespace carvelo::standin
