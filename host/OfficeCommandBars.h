// The Office command bars as the add-in uses them: the collection, a bar,
// its controls and a button. Late-bound; every failure raises EHostError.
#pragma once

#include <string>
#include <string_view>

#include "Dispatch.h"

namespace carvelo::host {

class TCommandBarButton {
 public:
  TCommandBarButton() = default;
  // Holds `control` through the command-bar button interface; raises when
  // the control is no button.
  explicit TCommandBarButton(const com::TDispatch& control);

  IDispatch* Get() const noexcept { return button_.Get(); }
  explicit operator bool() const noexcept { return static_cast<bool>(button_); }

  std::wstring Tag() const;
  void SetTag(std::wstring_view tag) const;
  std::wstring TooltipText() const;
  void SetTooltipText(std::wstring_view text) const;
  std::wstring Caption() const;
  void SetCaption(std::wstring_view caption) const;
  int Style() const;
  void SetStyle(int style) const;
  int FaceId() const;
  void SetFaceId(int faceId) const;
  bool Enabled() const;
  void SetEnabled(bool enabled) const;  // written as -1 or 0

 private:
  com::TDispatch button_;
};

class TCommandBarControls {
 public:
  explicit TCommandBarControls(com::TDispatch controls) : controls_(std::move(controls)) {}
  int Count() const;
  com::TDispatch Item(int index) const;  // 1-based
  // Controls.Add(Type, Id, Parameter, Before, Temporary).
  com::TDispatch Add(int type, int id, int parameter, int before, bool temporary) const;

 private:
  com::TDispatch controls_;
};

class TCommandBar {
 public:
  TCommandBar() = default;
  explicit TCommandBar(com::TDispatch bar) : bar_(std::move(bar)) {}

  IDispatch* Get() const noexcept { return bar_.Get(); }
  explicit operator bool() const noexcept { return static_cast<bool>(bar_); }

  std::wstring Name() const;
  bool Visible() const;
  void SetVisible(bool visible) const;  // written as -1 or 0
  int Position() const;
  TCommandBarControls Controls() const;
  // FindControl(Type, Id, Tag, Visible, Recursive); empty when Nothing matches.
  com::TDispatch FindControl(int type, int id, std::wstring_view tag, bool visible, bool recursive) const;
  void Delete() const;

 private:
  com::TDispatch bar_;
};

class TCommandBars {
 public:
  TCommandBars() = default;
  // Holds `bars` through the command-bars interface; raises when it has none.
  explicit TCommandBars(const com::ComPtr<IDispatch>& bars);

  IDispatch* Get() const noexcept { return bars_.Get(); }
  explicit operator bool() const noexcept { return static_cast<bool>(bars_); }

  int Count() const;
  TCommandBar Item(int index) const;  // 1-based
  // Add(Name, Position, MenuBar, Temporary).
  TCommandBar Add(std::wstring_view name, int position, bool menuBar, bool temporary) const;

 private:
  com::TDispatch bars_;
};

}  // namespace carvelo::host
