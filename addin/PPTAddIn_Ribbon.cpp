// TPPTAddin's ribbon tab: the XML the host asks for after connection, and
// the callbacks the XML names, which the host calls by name through the
// object's IDispatch with the control (or the image's name) as the only
// argument and the answer in the result.
#include <algorithm>

#include "ComValues.h"
#include "HostError.h"
#include "PPTAddIn_IMPL.h"
#include "RibbonResources_win.h"

namespace carvelo::addin {

using namespace carvelo::com;
using namespace carvelo::host;

const std::array<std::wstring_view, TPPTAddin::kButtonCount> TPPTAddin::kRibbonIds = {
    L"CarveloQuickFitting", L"CarveloEditMask", L"CarveloSetup", L"CarveloAbout"};

const std::array<TPPTAddin::TRibbonCallback, 5> TPPTAddin::kRibbonCallbacks = {{
    {L"GetCustomUI", dispGetCustomUI},
    {L"RibbonOnLoad", dispRibbonOnLoad},
    {L"RibbonOnAction", dispRibbonOnAction},
    {L"RibbonGetEnabled", dispRibbonGetEnabled},
    {L"RibbonLoadImage", dispRibbonLoadImage},
}};

namespace {

const TPPTAddin::TRibbonCallback* CallbackNamed(const wchar_t* name) {
  for (const auto& callback : TPPTAddin::kRibbonCallbacks)
    if (_wcsicmp(name, callback.name.data()) == 0) return &callback;  // names are null-terminated literals
  return nullptr;
}

bool IsRibbonCallback(DISPID id) {
  return std::any_of(TPPTAddin::kRibbonCallbacks.begin(), TPPTAddin::kRibbonCallbacks.end(),
                     [id](const TPPTAddin::TRibbonCallback& c) { return c.id == id; });
}

[[noreturn]] void WrongArgument(const char* what) { throw EHostError(DISP_E_TYPEMISMATCH, what); }

// The argument as an object offering `iid`, or a type mismatch.
template <class Interface>
ComPtr<Interface> ArgumentAs(const VARIANT& argument, const IID& iid, const char* what) {
  const TVariant value = TVariant::CopyOf(argument);  // follows a by-reference argument
  if (value.Type() != VT_DISPATCH && value.Type() != VT_UNKNOWN) WrongArgument(what);
  IUnknown* object = value.Type() == VT_DISPATCH ? V_DISPATCH(&value.Raw()) : V_UNKNOWN(&value.Raw());
  ComPtr<Interface> typed;
  if (!object || FAILED(object->QueryInterface(iid, typed.PutVoid()))) WrongArgument(what);
  return typed;
}

std::wstring ControlId(const VARIANT& argument) {
  const auto control = ArgumentAs<IRibbonControl>(argument, IID_IRibbonControl, "IRibbonControl");
  TBstr id;
  Check(control->get_Id(id.Put()), "IRibbonControl.Id");
  return id.Str();
}

std::wstring TextArgument(const VARIANT& argument, const char* what) {
  const TVariant value = TVariant::CopyOf(argument);
  if (value.Type() != VT_BSTR) WrongArgument(what);
  return value.ToText();
}

}  // namespace

void* TPPTAddin::InterfaceFor(REFIID iid) noexcept {
  if (iid == IID_IRibbonExtensibility) return static_cast<IRibbonExtensibility*>(this);
  return TMSOfficeAddIn::InterfaceFor(iid);
}

HRESULT TPPTAddin::GetCustomUI(BSTR, BSTR* ribbonXml) {
  if (!ribbonXml) return E_POINTER;
  *ribbonXml = nullptr;
  // No window work here: the host is still building its own.
  return GuardedCall([&] { *ribbonXml = TBstr(RibbonXml()).Detach(); });
}

HRESULT TPPTAddin::GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  if (const TRibbonCallback* callback = names[0] ? CallbackNamed(names[0]) : nullptr) {
    ids[0] = callback->id;
    for (UINT i = 1; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;  // the callbacks have no named arguments
  }
  return TMSOfficeAddIn::GetIDsOfNames(iid, names, count, locale, ids);
}

HRESULT TPPTAddin::Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* info, UINT* argError) {
  if (IsRibbonCallback(id)) return InvokeRibbonCallback(id, flags, params, result);
  return TMSOfficeAddIn::Invoke(id, iid, locale, flags, params, result, info, argError);
}

HRESULT TPPTAddin::InvokeRibbonCallback(DISPID id, WORD flags, const DISPPARAMS* params, VARIANT* result) {
  if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
  if (!params) return E_INVALIDARG;
  if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
  if (params->cArgs != 1 || !params->rgvarg) return DISP_E_BADPARAMCOUNT;
  // Automation passes arguments last to first: the first is rgvarg[cArgs - 1].
  const VARIANT& argument = params->rgvarg[params->cArgs - 1];
  const bool answers = id != dispRibbonOnLoad && id != dispRibbonOnAction;
  if (answers && !result) return E_POINTER;
  if (result) VariantInit(result);
  return GuardedCall([&] {
    TVariant answer;
    switch (id) {
      case dispGetCustomUI: {
        TBstr xml;
        Check(GetCustomUI(nullptr, xml.Put()), "GetCustomUI");
        answer = TVariant::Text(xml.Str());
        break;
      }
      case dispRibbonOnLoad: KeepRibbon(argument); break;
      case dispRibbonOnAction: RunRibbonAction(argument); break;
      case dispRibbonGetEnabled: answer = TVariant::Bool(RibbonControlEnabled(argument)); break;
      case dispRibbonLoadImage: {
        const ComPtr<IPictureDisp> icon = RibbonIcon(TextArgument(argument, "image name"));
        if (!icon) throw EHostError(E_INVALIDARG, "RibbonLoadImage");
        answer = TVariant::Object(icon.Get());
        break;
      }
    }
    if (result) answer.MoveTo(result);
  });
}

void TPPTAddin::KeepRibbon(const VARIANT& ribbon) {
  ribbon_ = ArgumentAs<IRibbonUI>(ribbon, IID_IRibbonUI, "IRibbonUI");
}

void TPPTAddin::RunRibbonAction(const VARIANT& control) {
  const std::wstring id = ControlId(control);
  for (size_t b = 0; b < kButtonCount; ++b)
    if (kRibbonIds[b] == id) return (this->*kButtons[b].command)();  // the toolbar button's command
  throw EHostError(E_INVALIDARG, "RibbonOnAction");
}

bool TPPTAddin::RibbonControlEnabled(const VARIANT& control) const {
  const std::wstring id = ControlId(control);
  if (id == kRibbonIds[btnQuickFitting] || id == kRibbonIds[btnEditMask]) return CarvingCommandsEnabled();
  return true;
}

void TPPTAddin::InvalidateRibbonCarvingButtons() const {
  if (!ribbon_) return;
  for (TButton b : {btnQuickFitting, btnEditMask}) {
    const TBstr id(kRibbonIds[b]);
    // A ribbon that can't take it keeps its last answers; the commands
    // check the selection themselves.
    if (FAILED(ribbon_->InvalidateControl(id.Get()))) return;
  }
}

}  // namespace carvelo::addin
