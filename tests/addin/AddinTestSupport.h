// Shared by the add-in tests: a TPPTAddin whose commands are counted, and
// the plumbing to connect it to a PowerPoint stand-in as the host would.
#pragma once

#include <windows.h>

#include <array>
#include <memory>
#include <string>

#include "ComPtr.h"
#include "HostIds.h"
#include "PPTAddIn_IMPL.h"
#include "StandInHost.h"
#include "TempFile_win.h"
#include "Unit1.h"

namespace carvelo::test {

using addin::TPPTAddin;
using com::ComPtr;

inline standin::TStandInOptions KeepingBarsIn(const std::wstring& file) {
  standin::TStandInOptions options;
  options.barsFile = file;
  return options;
}

using standin::TCustomArray;

// The add-in with its real commands, connected and disconnected as the host
// would.
class TConnectedAddin : public TPPTAddin {
 public:
  template <class Addin>
  static ComPtr<Addin> Make() {
    return ComPtr<Addin>::Adopt(new Addin());
  }
  HRESULT Connect(IDispatch* application) {
    TCustomArray custom;
    return OnConnection(application, host::ext_cm_Startup, nullptr, custom.Put());
  }
  HRESULT Disconnect(host::ext_DisconnectMode mode = host::ext_dm_HostShutdown) {
    TCustomArray custom;
    return OnDisconnection(mode, custom.Put());
  }
};

// Edit Mask with an editor that the user confirms without painting (the
// marked picture is the picture as the editor shows it), or cancels.
class TUnpaintedMaskAddin final : public TConnectedAddin {
 public:
  static ComPtr<TUnpaintedMaskAddin> Make() { return TConnectedAddin::Make<TUnpaintedMaskAddin>(); }
  ~TUnpaintedMaskAddin() override { Disconnect(); }
  bool cancelEditor = false;

 protected:
  std::shared_ptr<const TBitmap> RunMaskEditor(const TBitmap& working) override {
    if (cancelEditor) return nullptr;
    return std::make_shared<const TBitmap>(working.HasAlpha() ? OverCheckerboard(working) : ConvertDepth(working, 24));
  }
};

class TObservedAddin final : public TConnectedAddin {
 public:
  static ComPtr<TObservedAddin> Make() { return TConnectedAddin::Make<TObservedAddin>(); }

  // Runs of each command, in button order.
  std::array<int, kButtonCount> runs{};

  void QuickFitting_Command() override { ++runs[btnQuickFitting]; }
  void EditMask_Command() override { ++runs[btnEditMask]; }
  void Setup_Command() override { ++runs[btnSetup]; }
  void About_Command() override { ++runs[btnAbout]; }

  HRESULT Connect(IDispatch* application) {
    TCustomArray custom;
    return OnConnection(application, host::ext_cm_Startup, nullptr, custom.Put());
  }
  HRESULT Disconnect(host::ext_DisconnectMode mode) {
    TCustomArray custom;
    return OnDisconnection(mode, custom.Put());
  }
  // What the host does at its shutdown.
  void ShutDown() {
    TCustomArray custom;
    OnBeginShutdown(custom.Put());
    OnDisconnection(host::ext_dm_HostShutdown, custom.Put());
  }
};

// Clicks the toolbar button with `tag` as the user would.
inline standin::TStandInButton::TClickOutcome ClickTag(const standin::TStandInBar& bar, const std::wstring& tag) {
  for (const auto& b : bar.Buttons())
    if (b->State().tag == tag) return b->Click();
  return {};
}

}  // namespace carvelo::test
