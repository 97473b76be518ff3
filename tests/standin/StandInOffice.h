// The stand-in's Office command bars: the collection, bars, their controls
// and buttons with Click events, behaving as Office documents them.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "StandInObject.h"

namespace carvelo::standin {

class TStandInBar;

struct TButtonState {
  std::wstring caption, tag, tooltip;
  int style = 0;  // msoButtonAutomatic
  int faceId = 0;
  bool enabled = true;
  bool visible = true;
};

class TStandInButton final : public TStandInObject {
 public:
  TStandInButton(TStandInBar* bar, TButtonState state, bool temporary);

  const TButtonState& State() const noexcept { return state_; }
  bool Temporary() const noexcept { return temporary_; }
  bool Deleted() const noexcept { return bar_ == nullptr; }
  void Detach() noexcept { bar_ = nullptr; }

  struct TClickOutcome {
    std::vector<HRESULT> answers;  // one per advised sink
    VARIANT_BOOL cancelDefault = VARIANT_FALSE;
  };
  // A user's click: Click(Ctrl, CancelDefault) to every sink.
  TClickOutcome Click();

 protected:
  std::span<const TMember> Members() const override;
  TVariant Call(DISPID id, const TArgs& args) override;

 private:
  void Changed();
  TStandInBar* bar_;
  TButtonState state_;
  bool temporary_;
};

class TStandInBar final : public TStandInObject {
 public:
  TStandInBar(class TStandInBars* bars, std::wstring name, int position, bool builtIn, bool temporary);

  const std::wstring& Name() const noexcept { return name_; }
  bool Visible() const noexcept { return visible_; }
  void SetVisible(bool visible);
  int Position() const noexcept { return position_; }
  bool BuiltIn() const noexcept { return builtIn_; }
  bool Temporary() const noexcept { return temporary_; }
  bool Deleted() const noexcept { return bars_ == nullptr; }
  void Detach() noexcept;

  const std::vector<ComPtr<TStandInButton>>& Buttons() const noexcept { return buttons_; }
  ComPtr<TStandInButton> AddButton(TButtonState state, int before, bool temporary);
  void RemoveButton(TStandInButton* button);
  void Changed();
  void NoteEnabledWrite(const std::wstring& tag, bool enabled);

 protected:
  std::span<const TMember> Members() const override;
  TVariant Call(DISPID id, const TArgs& args) override;

 private:
  TVariant FindControl(const TArgs& args) const;
  class TStandInBars* bars_;
  std::wstring name_;
  int position_;
  bool builtIn_, temporary_;
  bool visible_ = false;  // a new bar is hidden until made visible
  ComPtr<class TStandInControls> controls_;
  std::vector<ComPtr<TStandInButton>> buttons_;
};

class TStandInControls final : public TStandInObject {
 public:
  explicit TStandInControls(TStandInBar* bar) : TStandInObject(nullptr, nullptr), bar_(bar) {}
  void Detach() noexcept { bar_ = nullptr; }

 protected:
  std::span<const TMember> Members() const override;
  TVariant Call(DISPID id, const TArgs& args) override;

 private:
  TStandInBar* bar_;
};

class TStandInBars final : public TStandInObject {
 public:
  TStandInBars();
  ~TStandInBars() override;

  const std::vector<ComPtr<TStandInBar>>& Bars() const noexcept { return bars_; }
  // Null when no bar has that exact name.
  ComPtr<TStandInBar> Find(std::wstring_view name) const;
  ComPtr<TStandInBar> AddBar(std::wstring name, int position, bool builtIn, bool temporary);
  void RemoveBar(TStandInBar* bar);

  // Called after every change a user could see (the stand-in's window redraws).
  std::function<void()> onChange;
  // Every write of a button's Enabled through automation, in order: tag, value.
  std::vector<std::pair<std::wstring, bool>> enabledWrites;
  void Changed() const {
    if (onChange) onChange();
  }

 protected:
  std::span<const TMember> Members() const override;
  TVariant Call(DISPID id, const TArgs& args) override;

 private:
  std::vector<ComPtr<TStandInBar>> bars_;
};

}  // namespace carvelo::standin
