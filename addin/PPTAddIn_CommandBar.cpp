// TPPTAddin's toolbar: found again on a toolbar the host kept from an earlier
// start, or built; each button wired to its command through a click sink;
// unwired at disconnection and deleted when the user unloads the add-in.
#include "PPTAddIn_IMPL.h"

#include "ComObject.h"

namespace carvelo::addin {

using namespace carvelo::com;
using namespace carvelo::host;

void TPPTAddin::ConnectApplication() {
  application_ = std::make_unique<TPowerPointApplication>();
  application_->Connect(HostApplication());
  // The event's selection is not used: the rule asks the host afresh. The
  // ribbon asks again once told that its answers are stale.
  application_->SetOnWindowSelectionChange([this](IDispatch*) {
    UpdateCommandAvailability();
    InvalidateRibbonCarvingButtons();
  });
}

bool TPPTAddin::BuildCommandBar() {
  try {
    ConnectApplication();
    if (FindCommandBar())
      BindKeptButtons();
    else
      CreateCommandBar();
  } catch (const EHostError&) {
    return false;  // the bar may be partly built; nothing is wired
  }
  WireButtons();
  return true;
}

bool TPPTAddin::FindCommandBar() {
  commandBar_ = TCommandBar();
  try {
    const TCommandBars& bars = CommandBars();
    const int count = bars.Count();
    for (int i = 1; i <= count; ++i) {
      if (bars.Item(i).Name() == kToolbarName) {  // exact: case and length
        commandBar_ = bars.Item(i);
        return true;
      }
    }
  } catch (const EHostError&) {
    // A failed walk counts as not found.
  }
  return false;
}

void TPPTAddin::BindKeptButtons() {
  // The toolbar stays as the user left it: a button deleted from it is not
  // re-created; it stays unbound, unwired and is skipped when enabling.
  for (size_t b = 0; b < kButtonCount; ++b) {
    TDispatch control = commandBar_.FindControl(msoControlButton, 1, kButtons[b].tag, true, true);
    // Visible true looks on visible toolbars only: the buttons of a toolbar
    // the user hid are found with visible false.
    if (!control) control = commandBar_.FindControl(msoControlButton, 1, kButtons[b].tag, false, true);
    buttons_[b] = control ? TCommandBarButton(control) : TCommandBarButton();
  }
}

void TPPTAddin::CreateCommandBar() {
  commandBar_ = CommandBars().Add(kToolbarName, msoBarTop, false, false);
  const TCommandBarControls controls = commandBar_.Controls();
  for (size_t b = 0; b < kButtonCount; ++b) {
    const TButtonSpec& spec = kButtons[b];
    buttons_[b] = TCommandBarButton(controls.Add(msoControlButton, 1, 0, static_cast<int>(b) + 1, false));
    buttons_[b].SetTag(spec.tag);
    buttons_[b].SetTooltipText(spec.caption);
    buttons_[b].SetStyle(msoButtonIconAndCaption);
    buttons_[b].SetCaption(spec.caption);
    buttons_[b].SetFaceId(spec.faceId);
  }
  // Only a new toolbar is shown: a kept one stays as the user left it.
  commandBar_.SetVisible(true);
}

void TPPTAddin::WireButtons() {
  for (size_t b = 0; b < kButtonCount; ++b) {
    if (!buttons_[b]) continue;
    if (!sinks_[b]) sinks_[b] = MakeComObject<TCommandBarButtonEventsSink>();
    const auto command = kButtons[b].command;
    sinks_[b]->SetHandler([this, command](IDispatch*, VARIANT_BOOL&) { (this->*command)(); });
    sinks_[b]->Connect(buttons_[b].Get());
  }
}

void TPPTAddin::TearDownCommandBar(ext_DisconnectMode removeMode) {
  for (auto& sink : sinks_) {
    if (!sink) continue;
    sink->Disconnect();
    sink->SetHandler(nullptr);
    sink.Reset();
  }
  if (removeMode == host::ext_dm_UserClosed && commandBar_) commandBar_.Delete();
  // A kept toolbar is the host's: found again at the next connection.
  commandBar_ = TCommandBar();
  buttons_ = {};
}

}  // namespace carvelo::addin
