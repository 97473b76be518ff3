// Shared by the add-in tests: a TPPTAddin whose commands are counted, and
// the plumbing to connect it to a PowerPoint stand-in as the host would.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "ComPtr.h"
#include "HostIds.h"
#include "PPTAddIn_IMPL.h"
#include "StandInHost.h"

namespace carvelo::test {

using addin::TPPTAddin;
using host::ComPtr;

// A file name in the temporary folder, removed first.
inline std::wstring TempFile(const std::wstring& name) {
  wchar_t folder[MAX_PATH];
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + name;
  DeleteFileW(path.c_str());
  return path;
}

inline standin::TStandInOptions KeepingBarsIn(const std::wstring& file) {
  standin::TStandInOptions options;
  options.barsFile = file;
  return options;
}

using standin::TCustomArray;

class TObservedAddin final : public TPPTAddin {
 public:
  static ComPtr<TObservedAddin> Make() { return ComPtr<TObservedAddin>::Adopt(new TObservedAddin()); }

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
