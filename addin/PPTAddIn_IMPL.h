// TPPTAddin: the Carvelo add-in for PowerPoint. It builds (or finds again)
// the "Carvelo PPT" toolbar at connection, routes the four buttons' clicks
// to its commands, keeps the two carving buttons in step with the selection,
// and holds the carving settings from one command to the next.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string_view>

#include "CarveloPPT_TLB.h"
#include "CommandBarEvents.h"
#include "MSOfficeAddIn.h"
#include "OfficeCommandBars.h"
#include "PowerPointApplication.h"
#include "Settings.h"

namespace carvelo {
class TAboutFrm;
class TBitmap;
struct TCarveJob;
struct TWorkingBitmap;
}

namespace carvelo::addin {

class TPPTAddin : public TMSOfficeAddIn<IPPTAddin> {
 public:
  static constexpr std::wstring_view kToolbarName = L"Carvelo PPT";
  static constexpr std::wstring_view kTagSuffix = L"$$$";

  // One toolbar button: toolbar position is its index + 1.
  struct TButtonSpec {
    std::wstring_view caption;  // also the tooltip
    std::wstring_view tag;
    int faceId;
    void (TPPTAddin::*command)();
  };
  enum TButton : size_t { btnQuickFitting, btnEditMask, btnSetup, btnAbout, kButtonCount };
  static const std::array<TButtonSpec, kButtonCount> kButtons;

  // A new add-in object, as the class factory hands it out.
  static com::ComPtr<IUnknown> Create();

  // The commands behind the buttons.
  virtual void QuickFitting_Command();
  virtual void EditMask_Command();
  virtual void Setup_Command();
  virtual void About_Command();

  // Enables or disables "Quick Fitting" and "Edit Mask" for the host's
  // current view and selection.
  void UpdateCommandAvailability();

  const TCarveSettings& Settings() const noexcept { return settings_; }
  // The toolbar and its buttons as bound at connection (empty when not).
  const host::TCommandBar& CommandBar() const noexcept { return commandBar_; }
  const host::TCommandBarButton& Button(TButton button) const noexcept { return buttons_[button]; }
  const host::TPowerPointApplication* Application() const noexcept { return application_.get(); }
  // The About window, made at the first connection (null before).
  TAboutFrm* AboutWindow() const noexcept { return about_.get(); }

 protected:
  TPPTAddin();
  ~TPPTAddin() override;

  TCarveSettings& CarveSettings() noexcept { return settings_; }

  // Runs a carving job behind the progress window: 1 when the result bitmap
  // holds the carved picture, 2 when cancelled; throws EJobFailed.
  virtual int RunCarveJob(const TCarveJob& job);
  // Shows the mask editor, modal, on two 24-bit copies of the working
  // bitmap: the marked copy when the user starts the carve (it keeps the
  // hidden editor alive until released), null when cancelled or closed.
  virtual std::shared_ptr<const TBitmap> RunMaskEditor(const TBitmap& working);

  HRESULT DoOnConnection(ext_ConnectMode connectMode, IDispatch* addInInst, SAFEARRAY** custom) override;
  HRESULT DoOnDisconnection(ext_DisconnectMode removeMode, SAFEARRAY** custom) override;
  HRESULT DoOnAddInsUpdate(SAFEARRAY** custom) override;
  HRESULT DoOnStartupComplete(SAFEARRAY** custom) override;
  HRESULT DoOnBeginShutdown(SAFEARRAY** custom) override;

 private:
  // Toolbar and button events (PPTAddIn_CommandBar.cpp).
  void ConnectApplication();
  bool BuildCommandBar();
  bool FindCommandBar();
  void BindKeptButtons();
  void CreateCommandBar();
  void WireButtons();
  void TearDownCommandBar(ext_DisconnectMode removeMode);
  void SetCarvingCommandsEnabled(bool enabled) const;

  void CreateAboutWindow();
  void SetDefaultSettings();

  // What Edit Mask adds to the round trip once the bitmaps exist: it shows
  // the editor on the working bitmap and answers the painted mask to carve
  // with (keeping its editor alive), or null when the user did not confirm.
  using TMaskStep = std::function<std::shared_ptr<const TBitmap>(const TWorkingBitmap& working)>;
  // The round trip of both carving commands; any failure ends in one
  // message box, the slide as it was.
  void CarveSelectedPicture(const TMaskStep& maskStep);

  TCarveSettings settings_;
  std::unique_ptr<host::TPowerPointApplication> application_;
  host::TCommandBar commandBar_;
  std::array<host::TCommandBarButton, kButtonCount> buttons_;
  std::array<com::ComPtr<host::TCommandBarButtonEventsSink>, kButtonCount> sinks_;
  std::unique_ptr<TAboutFrm> about_;  // made at the first connection, kept for the object's life
};

}  // namespace carvelo::addin
