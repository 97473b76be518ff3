#include "ComValues.h"

#include <utility>

#include "HostError.h"

namespace carvelo::com {

TBstr::TBstr(std::wstring_view text) : s_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {
  if (!s_ && !text.empty()) throw std::bad_alloc();
}

TBstr& TBstr::operator=(TBstr&& other) noexcept {
  if (this != &other) {
    SysFreeString(s_);
    s_ = other.Detach();
  }
  return *this;
}

BSTR* TBstr::Put() noexcept {
  SysFreeString(std::exchange(s_, nullptr));
  return &s_;
}

BSTR TBstr::Detach() noexcept { return std::exchange(s_, nullptr); }

TVariant::TVariant(const TVariant& other) {
  VariantInit(&v_);
  Check(VariantCopy(&v_, const_cast<VARIANT*>(&other.v_)), "VariantCopy");
}

TVariant::TVariant(TVariant&& other) noexcept : v_(other.v_) { VariantInit(&other.v_); }

TVariant& TVariant::operator=(TVariant other) noexcept {
  std::swap(v_, other.v_);
  return *this;
}

TVariant TVariant::Int(int32_t value) {
  TVariant r;
  V_VT(&r.v_) = VT_I4;
  V_I4(&r.v_) = value;
  return r;
}

TVariant TVariant::Single(float value) {
  TVariant r;
  V_VT(&r.v_) = VT_R4;
  V_R4(&r.v_) = value;
  return r;
}

TVariant TVariant::Double(double value) {
  TVariant r;
  V_VT(&r.v_) = VT_R8;
  V_R8(&r.v_) = value;
  return r;
}

TVariant TVariant::Bool(bool value) {
  TVariant r;
  V_VT(&r.v_) = VT_BOOL;
  V_BOOL(&r.v_) = value ? VARIANT_TRUE : VARIANT_FALSE;
  return r;
}

TVariant TVariant::Text(std::wstring_view value) {
  TVariant r;
  V_BSTR(&r.v_) = TBstr(value).Detach();
  V_VT(&r.v_) = VT_BSTR;
  return r;
}

TVariant TVariant::Object(IDispatch* value) {
  TVariant r;
  V_VT(&r.v_) = VT_DISPATCH;
  V_DISPATCH(&r.v_) = value;
  if (value) value->AddRef();
  return r;
}

TVariant TVariant::Missing() {
  TVariant r;
  V_VT(&r.v_) = VT_ERROR;
  V_ERROR(&r.v_) = DISP_E_PARAMNOTFOUND;
  return r;
}

TVariant TVariant::CopyOf(const VARIANT& value) {
  TVariant r;
  Check(VariantCopyInd(&r.v_, const_cast<VARIANT*>(&value)), "VariantCopyInd");
  return r;
}

bool TVariant::IsMissing() const noexcept {
  return V_VT(&v_) == VT_ERROR && V_ERROR(&v_) == DISP_E_PARAMNOTFOUND;
}

bool TVariant::IsNothing() const noexcept {
  const VARTYPE t = V_VT(&v_);
  return t == VT_EMPTY || t == VT_NULL || ((t == VT_DISPATCH || t == VT_UNKNOWN) && !V_UNKNOWN(&v_));
}

VARIANT TVariant::Converted(VARTYPE type) const {
  VARIANT r;
  VariantInit(&r);
  Check(VariantChangeType(&r, const_cast<VARIANT*>(&v_), 0, type), "VariantChangeType");
  return r;
}

int32_t TVariant::ToInt() const {
  VARIANT r = Converted(VT_I4);
  return V_I4(&r);
}

float TVariant::ToSingle() const {
  VARIANT r = Converted(VT_R4);
  return V_R4(&r);
}

double TVariant::ToDouble() const {
  VARIANT r = Converted(VT_R8);
  return V_R8(&r);
}

bool TVariant::ToBool() const {
  VARIANT r = Converted(VT_BOOL);
  return V_BOOL(&r) != VARIANT_FALSE;
}

std::wstring TVariant::ToText() const {
  VARIANT r = Converted(VT_BSTR);
  TBstr owned;
  *owned.Put() = V_BSTR(&r);
  return owned.Str();
}

ComPtr<IDispatch> TVariant::ToObject() const {
  if (IsNothing()) return nullptr;
  VARIANT r = Converted(VT_DISPATCH);
  return ComPtr<IDispatch>::Adopt(V_DISPATCH(&r));
}

VARIANT* TVariant::Put() noexcept {
  VariantClear(&v_);
  return &v_;
}

void TVariant::MoveTo(VARIANT* target) noexcept {
  *target = v_;
  VariantInit(&v_);
}

bool SameObject(IUnknown* a, IUnknown* b) noexcept {
  if (!a || !b) return a == b;
  ComPtr<IUnknown> ua, ub;
  a->QueryInterface(IID_IUnknown, ua.PutVoid());
  b->QueryInterface(IID_IUnknown, ub.PutVoid());
  return ua && ua == ub;
}

}  // namespace carvelo::com
