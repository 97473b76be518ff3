// Late-bound calls on an automation object, by name or by dispatch id. A
// failed call raises EHostError naming the member, at the call site.
#pragma once

#include <oaidl.h>

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "ComPtr.h"
#include "ComValues.h"

namespace carvelo::com {

class TDispatch {
 public:
  TDispatch() = default;
  explicit TDispatch(ComPtr<IDispatch> object) : object_(std::move(object)) {}

  IDispatch* Get() const noexcept { return object_.Get(); }
  explicit operator bool() const noexcept { return static_cast<bool>(object_); }

  // The member's dispatch id, looked up with the user's default locale.
  DISPID IdOf(std::wstring_view name) const;
  // Whether the object knows the member: how a call that an older host
  // lacks is probed before it is used.
  bool HasMember(std::wstring_view name) const noexcept;

  TVariant GetProperty(std::wstring_view name, std::initializer_list<TVariant> args = {}) const;
  void PutProperty(std::wstring_view name, const TVariant& value) const;
  TVariant CallMethod(std::wstring_view name, std::initializer_list<TVariant> args = {}) const;
  // A member that may be a method or a property (e.g. "Item").
  TVariant Fetch(std::wstring_view name, std::initializer_list<TVariant> args) const;

  // By dispatch id; `args` in natural order, `label` names the call in errors.
  TVariant InvokeById(DISPID id, WORD flags, std::span<const TVariant> args, std::string_view label) const;

  // The object reached through a property, checked not to be Nothing.
  TDispatch Object(std::wstring_view name, std::initializer_list<TVariant> args = {}) const;

 private:
  TVariant InvokeByName(std::wstring_view name, WORD flags, std::span<const TVariant> args) const;
  ComPtr<IDispatch> object_;
};

// Narrow text of a member name for error messages.
std::string Narrow(std::wstring_view text);

}  // namespace carvelo::com
