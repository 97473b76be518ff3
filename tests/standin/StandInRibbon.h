// The stand-in's ribbon, as Office documents it for a COM add-in: after a
// successful OnConnection it asks the add-in object for
// IRibbonExtensibility, calls GetCustomUI once, rejects the whole XML on any
// violation, resolves every callback name through the add-in's IDispatch,
// hands onLoad an IRibbonUI, asks getEnabled and the images when the tab is
// shown and keeps every answer until the add-in invalidates it. A click
// calls onAction only while the kept state is enabled. User-interface
// errors are reported loudly, as with "Show add-in user interface errors".
#pragma once

#include <ocidl.h>
#include <olectl.h>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "ComPtr.h"
#include "ComValues.h"
#include "OfficeRibbonInterface.h"
#include "StandInRibbonXml.h"

namespace carvelo::standin {

using com::ComPtr;

class TStandInRibbonUI;

// A control as the ribbon passes it to a callback.
ComPtr<host::IRibbonControl> MakeRibbonControl(std::wstring id, std::wstring tag, ComPtr<IDispatch> context);

class TStandInRibbon {
 public:
  // The ribbon id PowerPoint passes to GetCustomUI.
  static constexpr wchar_t kRibbonId[] = L"Microsoft.PowerPoint.Presentation";

  // Loads the ribbon of a connected add-in object; `context` is what each
  // control's Context answers (the document window).
  TStandInRibbon(IUnknown* addIn, IDispatch* context);
  ~TStandInRibbon();
  TStandInRibbon(const TStandInRibbon&) = delete;
  TStandInRibbon& operator=(const TStandInRibbon&) = delete;

  // Whether the add-in's XML was applied (false: no ribbon of its own).
  bool Applied() const noexcept { return document_.has_value(); }
  const std::vector<std::wstring>& UiErrors() const noexcept { return uiErrors_; }
  // Each callback name of the XML with the dispatch id it resolved to.
  const std::map<std::wstring, DISPID>& Callbacks() const noexcept { return callbacks_; }
  // The applied document's tab (null when none) and its buttons in order.
  const TRibbonNode* Tab() const;
  std::vector<const TRibbonNode*> Buttons() const;
  const TRibbonNode* Button(std::wstring_view label) const;

  // What the tab shows for a button, asking the add-in only for what is
  // not kept from before.
  bool Enabled(const TRibbonNode& button);
  ComPtr<IPictureDisp> Image(const TRibbonNode& button);

  // The user clicks a button: onAction's status, or nothing when the kept
  // state is disabled (or the button has no onAction).
  std::optional<HRESULT> Click(const TRibbonNode& button);

  // What the add-in told the ribbon since the last look: the ids it
  // invalidated, "*" for all.
  std::vector<std::wstring> TakeInvalidations();
  // How often getEnabled was called.
  int EnabledQueries() const noexcept { return enabledQueries_; }

  // Called when kept answers went stale (the window redraws the tab).
  std::function<void()> onChange;

  // Lets go of the ribbon's objects and the add-in (before OnDisconnection).
  void Release();

 private:
  friend class TStandInRibbonUI;
  void Load();
  void ResolveCallbacks();
  void CallOnLoad();
  void UiError(std::wstring text);
  // Invokes a callback with one argument; its result when it succeeded.
  std::optional<com::TVariant> Call(const std::wstring& name, VARIANT& argument);
  std::optional<com::TVariant> CallForControl(const std::wstring& name, const TRibbonNode& control);
  void Invalidated(const std::wstring& id);

  ComPtr<host::IRibbonExtensibility> addIn_;
  ComPtr<IDispatch> context_;
  ComPtr<TStandInRibbonUI> ui_;
  std::optional<TRibbonNode> document_;
  std::vector<std::wstring> uiErrors_;
  std::map<std::wstring, DISPID> callbacks_;
  std::map<std::wstring, bool> enabled_;                 // by control id, until invalidated
  std::map<std::wstring, ComPtr<IPictureDisp>> images_;  // getImage by control id, until invalidated
  std::map<std::wstring, ComPtr<IPictureDisp>> loaded_;  // loadImage by image name, for good
  std::vector<std::wstring> invalidations_;
  int enabledQueries_ = 0;
  HRESULT lastCallStatus_ = S_OK;
};

}  // namespace carvelo::standin
