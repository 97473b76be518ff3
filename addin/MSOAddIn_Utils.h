// Helpers of the Office add-in framework: the host's connection interface,
// reading a host property that may be missing, and the framework's message
// boxes.
#pragma once

#include <windows.h>

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

// A notice in a message box captioned "Message" with an OK button.
void ShowNotice(const wchar_t* text) noexcept;
// A message box with no owner, no caption and an OK button.
void ShowPlainMessage(const wchar_t* text) noexcept;

}  // namespace carvelo::addin
