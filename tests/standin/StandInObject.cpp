#include "StandInObject.h"

#include <olectl.h>

#include <algorithm>
#include <cwctype>

#include "ComObject.h"
#include "HostError.h"

namespace carvelo::standin {

void Raise(HRESULT status, std::wstring text) { throw EStandInError{status, std::move(text)}; }

void RaiseBadIndex(const wchar_t* collection, int index, int count) {
  Raise(DISP_E_BADINDEX, std::wstring(collection) + L".Item : Integer out of range. " + std::to_wstring(index) +
                             L" is not in the valid range of 1 to " + std::to_wstring(count) + L".");
}

TArgs::TArgs(const DISPPARAMS* params, WORD flags) {
  if (!params) return;
  UINT positional = params->cArgs;
  if ((flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && params->cNamedArgs == 1 &&
      params->rgdispidNamedArgs && params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT && params->cArgs >= 1) {
    put_ = true;
    value_ = TVariant::CopyOf(params->rgvarg[0]);
    positional = params->cArgs - 1;
  }
  // Automation passes the arguments last to first, after the named ones.
  for (UINT i = 0; i < positional; ++i) args_.push_back(TVariant::CopyOf(params->rgvarg[params->cArgs - 1 - i]));
}

const TVariant& TArgs::Opt(size_t i) const { return i < args_.size() ? args_[i] : missing_; }

const TVariant& TArgs::Required(size_t i) const {
  if (i >= args_.size() || args_[i].IsMissing()) Raise(DISP_E_PARAMNOTFOUND, L"Argument not optional");
  return args_[i];
}

const TVariant& TArgs::Value() const {
  if (!put_) Raise(DISP_E_MEMBERNOTFOUND, L"Property is read-only");
  return value_;
}

// One connection point: advised sinks by cookie.
class TConnectionPoint final : public com::TComObject<IConnectionPoint> {
 public:
  TConnectionPoint(TStandInObject* owner, const IID& iid) : owner_(owner), iid_(iid) {}
  void Orphan() noexcept { owner_ = nullptr; }

  HRESULT STDMETHODCALLTYPE GetConnectionInterface(IID* iid) override {
    if (!iid) return E_POINTER;
    *iid = iid_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetConnectionPointContainer(IConnectionPointContainer** container) override {
    if (!container) return E_POINTER;
    *container = owner_;
    if (!owner_) return E_UNEXPECTED;
    owner_->AddRef();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Advise(IUnknown* sink, DWORD* cookie) override {
    if (!sink || !cookie) return E_POINTER;
    *cookie = 0;
    ComPtr<IDispatch> events;
    if (FAILED(sink->QueryInterface(iid_, events.PutVoid())) &&
        FAILED(sink->QueryInterface(IID_IDispatch, events.PutVoid())))
      return CONNECT_E_CANNOTCONNECT;
    *cookie = nextCookie_++;
    sinks_.emplace(*cookie, std::move(events));
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Unadvise(DWORD cookie) override {
    return sinks_.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
  }
  HRESULT STDMETHODCALLTYPE EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

  std::vector<ComPtr<IDispatch>> Sinks() const {
    std::vector<ComPtr<IDispatch>> r;
    for (const auto& [cookie, sink] : sinks_) r.push_back(sink);
    return r;
  }
  size_t Count() const noexcept { return sinks_.size(); }

 private:
  void* InterfaceFor(REFIID iid) noexcept override {
    return iid == IID_IConnectionPoint ? static_cast<IConnectionPoint*>(this) : TComObject::InterfaceFor(iid);
  }

  TStandInObject* owner_;
  IID iid_;
  DWORD nextCookie_ = 1;
  std::map<DWORD, ComPtr<IDispatch>> sinks_;
};

TStandInObject::TStandInObject(const IID* typedIid, const IID* eventsIid) : typedIid_(typedIid), eventsIid_(eventsIid) {
  if (eventsIid_) events_ = com::MakeComObject<TConnectionPoint>(this, *eventsIid_);
}

TStandInObject::~TStandInObject() {
  if (events_) events_->Orphan();
}

void* TStandInObject::InterfaceFor(REFIID iid) noexcept {
  if (iid == IID_IDispatch || (typedIid_ && iid == *typedIid_)) return static_cast<IDispatch*>(this);
  if (eventsIid_ && iid == IID_IConnectionPointContainer) return static_cast<IConnectionPointContainer*>(this);
  return TComObject::InterfaceFor(iid);
}

HRESULT TStandInObject::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

HRESULT TStandInObject::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  for (const TMember& m : Members()) {
    if (_wcsicmp(m.name, names[0]) == 0) {
      ids[0] = m.id;
      return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;  // no named arguments here
    }
  }
  return DISP_E_UNKNOWNNAME;
}

HRESULT TStandInObject::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                               EXCEPINFO* info, UINT*) {
  const auto members = Members();
  if (std::none_of(members.begin(), members.end(), [id](const TMember& m) { return m.id == id; }))
    return DISP_E_MEMBERNOTFOUND;
  try {
    const TArgs args(params, flags);
    TVariant value = Call(id, args);
    if (result) {
      VariantInit(result);
      if (!args.IsPut()) value.MoveTo(result);
    }
    return S_OK;
  } catch (const EStandInError& e) {
    if (info) {
      *info = EXCEPINFO{};
      info->bstrSource = SysAllocString(L"Microsoft PowerPoint");
      info->bstrDescription = SysAllocString(e.text.c_str());
      info->scode = e.status;
    }
    return DISP_E_EXCEPTION;
  } catch (const com::EHostError& e) {
    return e.Status();
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT TStandInObject::FindConnectionPoint(REFIID iid, IConnectionPoint** point) {
  if (!point) return E_POINTER;
  *point = nullptr;
  if (!eventsIid_ || iid != *eventsIid_) return CONNECT_E_NOCONNECTION;
  *point = events_.AddRefForCaller();
  return S_OK;
}

std::vector<HRESULT> TStandInObject::FireEvent(DISPID id, std::span<VARIANTARG> reversedArgs) {
  std::vector<HRESULT> answers;
  if (!events_) return answers;
  DISPPARAMS params{reversedArgs.data(), nullptr, static_cast<UINT>(reversedArgs.size()), 0};
  // A snapshot: a sink may unadvise while it runs.
  for (const ComPtr<IDispatch>& sink : events_->Sinks())
    answers.push_back(sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                                   nullptr));
  return answers;
}

size_t TStandInObject::SinkCount() const noexcept { return events_ ? events_->Count() : 0; }

}  // namespace carvelo::standin
