// Owning wrappers for the automation value types: BSTR and VARIANT.
#pragma once

#include <oaidl.h>
#include <oleauto.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "ComPtr.h"

namespace carvelo::com {

class TBstr {
 public:
  TBstr() noexcept = default;
  explicit TBstr(std::wstring_view text);
  TBstr(const TBstr&) = delete;
  TBstr& operator=(const TBstr&) = delete;
  TBstr(TBstr&& other) noexcept : s_(other.Detach()) {}
  TBstr& operator=(TBstr&& other) noexcept;
  ~TBstr() { SysFreeString(s_); }

  BSTR Get() const noexcept { return s_; }
  BSTR* Put() noexcept;  // out-parameter: frees the current string first
  [[nodiscard]] BSTR Detach() noexcept;
  std::wstring Str() const { return s_ ? std::wstring(s_, SysStringLen(s_)) : std::wstring(); }

 private:
  BSTR s_ = nullptr;
};

// A VARIANT that clears itself. Conversions go through VariantChangeType and
// raise EHostError when the value does not convert.
class TVariant {
 public:
  TVariant() noexcept { VariantInit(&v_); }
  TVariant(const TVariant& other);
  TVariant(TVariant&& other) noexcept;
  TVariant& operator=(TVariant other) noexcept;
  ~TVariant() { VariantClear(&v_); }

  static TVariant Int(int32_t value);             // VT_I4
  static TVariant Single(float value);            // VT_R4: sizes in points
  static TVariant Double(double value);           // VT_R8
  static TVariant Bool(bool value);               // VT_BOOL: -1 or 0
  static TVariant Text(std::wstring_view value);  // VT_BSTR
  static TVariant Object(IDispatch* value);       // VT_DISPATCH, adds a reference
  static TVariant Missing();                      // an omitted optional argument
  // Copies a VARIANT, following a by-reference one to its value.
  static TVariant CopyOf(const VARIANT& value);

  VARTYPE Type() const noexcept { return V_VT(&v_); }
  bool IsMissing() const noexcept;
  bool IsNothing() const noexcept;  // empty, null, or a null object

  int32_t ToInt() const;
  float ToSingle() const;
  double ToDouble() const;
  bool ToBool() const;
  std::wstring ToText() const;
  ComPtr<IDispatch> ToObject() const;  // null for Nothing

  const VARIANT& Raw() const noexcept { return v_; }
  VARIANT* Put() noexcept;  // out-parameter: clears the current value first
  // Hands the value over (e.g. into an out VARIANT*); this becomes empty.
  void MoveTo(VARIANT* target) noexcept;

 private:
  VARIANT Converted(VARTYPE type) const;
  VARIANT v_;
};

}  // namespace carvelo::com
