// TSetupFrm, the settings dialog of the "Setup" command, and the command
// itself. The dialog is a real window from construction on, hidden until
// ShowModal; its accessors read and write the controls.
#pragma once

#include <memory>

#include "ModalResult.h"
#include "Settings.h"

struct HINSTANCE__;

namespace carvelo {

class TSetupFrm {
 public:
  // Without an owner. `module` holds the UI resources (manifest); by default
  // the module this code is linked into. Throws when the window can't be made.
  explicit TSetupFrm(HINSTANCE__* module = nullptr);
  TSetupFrm(const TSetupFrm&) = delete;
  TSetupFrm& operator=(const TSetupFrm&) = delete;
  ~TSetupFrm();

  int FilterIndex() const;            // ComboBox1 item index
  void SetFilterIndex(int index);
  int StretchPosition() const;        // TrackBar1 position
  void SetStretchPosition(int position);
  int MasqueWeightPosition() const;   // TrackBar2 position
  void SetMasqueWeightPosition(int position);
  int QualityIndex() const;           // ScaleRG item index
  void SetQualityIndex(int index);
  bool ScaleChecked() const;          // chkScale; setting it runs chkScaleClick
  void SetScaleChecked(bool checked);
  bool QualityGroupEnabled() const;   // ScaleRG enabled

  // Ok, or Cancelled for Cancel, Esc or the close box.
  TModalResult ShowModal();

 private:
  class TForm;
  std::unique_ptr<TForm> FForm;
};

// The "Setup" command: shows `settings` in a new dialog and stores all five
// back only when the user presses OK. Returns the dialog's modal result.
TModalResult ExecuteSetup(TCarveSettings& settings, HINSTANCE__* module = nullptr);

}  // namespace carvelo
