// Helpers of the Office add-in framework: the host's connection interface,
// reading a host property that may be missing, and the framework's message
// boxes.
#pragma once

#include <windows.h>

#include <string_view>

#include "ComValues.h"
#include "HostIds.h"
#include "OfficeAddInInterface.h"

namespace carvelo::addin {

using host::ext_ConnectMode;
using host::ext_DisconnectMode;
using host::IDTExtensibility2;
using host::IID_IDTExtensibility2;

// The user's default locale, in which host names are looked up.
inline constexpr LCID kUserDefaultLocale = 0x400;

// Reads property `name` of `host` (dispatch id looked up by name, then a
// property get with no arguments); an empty value when anything fails.
com::TVariant ReadHostProperty(IDispatch* host, const wchar_t* name) noexcept;

// Every message box of the add-in: no owner, an OK button, `caption` (none:
// the system's own) and `modality` (MB_APPLMODAL, or MB_TASKMODAL to stay
// over all the host's windows).
void ShowMessageBox(std::wstring_view text, const wchar_t* caption, UINT modality = MB_APPLMODAL) noexcept;

}  // namespace carvelo::addin
