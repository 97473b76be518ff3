#include "Dispatch.h"

#include <vector>

#include "HostError.h"

namespace carvelo::com {

std::string Narrow(std::wstring_view text) {
  std::string r;
  r.reserve(text.size());
  for (wchar_t c : text) r.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return r;
}

DISPID TDispatch::IdOf(std::wstring_view name) const {
  if (!object_) throw EHostError(E_POINTER, Narrow(name) + " on Nothing");
  std::wstring text(name);
  LPOLESTR names[] = {text.data()};
  DISPID id = DISPID_UNKNOWN;
  Check(object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), Narrow(name).c_str());
  return id;
}

bool TDispatch::HasMember(std::wstring_view name) const noexcept {
  if (!object_) return false;
  std::wstring text(name);
  LPOLESTR names[] = {text.data()};
  DISPID id = DISPID_UNKNOWN;
  return SUCCEEDED(object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));
}

TVariant TDispatch::InvokeById(DISPID id, WORD flags, std::span<const TVariant> args,
                               std::string_view label) const {
  if (!object_) throw EHostError(E_POINTER, std::string(label) + " on Nothing");
  // Automation takes the arguments last to first.
  std::vector<VARIANTARG> reversed;
  reversed.reserve(args.size());
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(it->Raw());
  DISPID putId = DISPID_PROPERTYPUT;
  DISPPARAMS params{reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
    params.rgdispidNamedArgs = &putId;
    params.cNamedArgs = 1;
  }
  TVariant result;
  EXCEPINFO info{};
  UINT argError = 0;
  const HRESULT hr = object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                     (flags & DISPATCH_PROPERTYPUT) ? nullptr : result.Put(), &info, &argError);
  if (hr == DISP_E_EXCEPTION && info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  std::wstring hostText;
  if (info.bstrDescription) hostText.assign(info.bstrDescription, SysStringLen(info.bstrDescription));
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  if (hr == DISP_E_EXCEPTION) {
    const HRESULT raised = info.scode ? info.scode : E_FAIL;
    throw EHostError(raised, std::string(label), std::move(hostText));
  }
  Check(hr, std::string(label).c_str());
  return result;
}

TVariant TDispatch::InvokeByName(std::wstring_view name, WORD flags, std::span<const TVariant> args) const {
  return InvokeById(IdOf(name), flags, args, Narrow(name));
}

TVariant TDispatch::GetProperty(std::wstring_view name, std::initializer_list<TVariant> args) const {
  return InvokeByName(name, DISPATCH_PROPERTYGET, std::span(args.begin(), args.size()));
}

void TDispatch::PutProperty(std::wstring_view name, const TVariant& value) const {
  InvokeByName(name, DISPATCH_PROPERTYPUT, std::span(&value, 1));
}

TVariant TDispatch::CallMethod(std::wstring_view name, std::initializer_list<TVariant> args) const {
  return InvokeByName(name, DISPATCH_METHOD, std::span(args.begin(), args.size()));
}

TVariant TDispatch::Fetch(std::wstring_view name, std::initializer_list<TVariant> args) const {
  return InvokeByName(name, DISPATCH_METHOD | DISPATCH_PROPERTYGET, std::span(args.begin(), args.size()));
}

TDispatch TDispatch::Object(std::wstring_view name, std::initializer_list<TVariant> args) const {
  ComPtr<IDispatch> object = Fetch(name, args).ToObject();
  if (!object) throw EHostError(E_POINTER, Narrow(name) + " is Nothing");
  return TDispatch(std::move(object));
}

}  // namespace carvelo::com
