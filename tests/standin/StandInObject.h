// Base of the stand-in's automation objects: IDispatch over a small member
// table (names looked up case-insensitively, as Office does), arguments in
// natural order, errors raised as DISP_E_EXCEPTION with the status in the
// exception record, and optional events through one connection point.
#pragma once

#include <ocidl.h>

#include <map>
#include <span>
#include <string>
#include <vector>

#include "ComObject.h"
#include "ComValues.h"

namespace carvelo::standin {

using com::ComPtr;
using com::TVariant;

struct TMember {
  const wchar_t* name;
  DISPID id;
};

// An error the stand-in raises inside a member, as PowerPoint would.
struct EStandInError {
  HRESULT status;
  std::wstring text;
};
[[noreturn]] void Raise(HRESULT status, std::wstring text);
// PowerPoint's "index out of range" class of error.
[[noreturn]] void RaiseBadIndex(const wchar_t* collection, int index, int count);

// The arguments of one call, in natural order; a property put's value apart.
class TArgs {
 public:
  TArgs(const DISPPARAMS* params, WORD flags);
  size_t Count() const noexcept { return args_.size(); }
  bool IsPut() const noexcept { return put_; }
  // Argument `i` (0-based); Missing when omitted.
  const TVariant& Opt(size_t i) const;
  // Argument `i`, which must be present.
  const TVariant& Required(size_t i) const;
  const TVariant& Value() const;  // the value of a property put

 private:
  std::vector<TVariant> args_;
  TVariant value_;
  TVariant missing_ = TVariant::Missing();
  bool put_ = false;
};

class TConnectionPoint;

class TStandInObject : public com::TComObject<IDispatch, IConnectionPointContainer> {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT* argError) override;

  HRESULT STDMETHODCALLTYPE EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindConnectionPoint(REFIID iid, IConnectionPoint** point) override;

  IDispatch* Dispatch() noexcept { return static_cast<IDispatch*>(this); }
  // Calls every advised sink's Invoke; their answers in advise order.
  std::vector<HRESULT> FireEvent(DISPID id, std::span<VARIANTARG> reversedArgs);
  size_t SinkCount() const noexcept;

 protected:
  // `typedIid`: the object's own interface id answered besides IDispatch;
  // `eventsIid`: its event interface, or null for none.
  TStandInObject(const IID* typedIid, const IID* eventsIid);
  ~TStandInObject() override;

  // IUnknown, IDispatch, the typed interface, and the connection points when
  // the object has events.
  void* InterfaceFor(REFIID iid) noexcept override;

  virtual std::span<const TMember> Members() const = 0;
  // Runs one member; raises EStandInError. Property puts return nothing.
  virtual TVariant Call(DISPID id, const TArgs& args) = 0;

 private:
  const IID* typedIid_;
  const IID* eventsIid_;
  ComPtr<TConnectionPoint> events_;
};

template <class T>
TVariant ObjectValue(const ComPtr<T>& object) {
  return TVariant::Object(object ? object->Dispatch() : nullptr);
}

template <class T, class... Args>
ComPtr<T> MakeStandIn(Args&&... args) {
  return com::MakeComObject<T>(std::forward<Args>(args)...);
}

}  // namespace carvelo::standin
