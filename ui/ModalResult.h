// How a modal window was closed, as its ShowModal answers.
#pragma once

#include <ostream>

namespace carvelo {

// Ok and Cancelled keep the values of the dialog manager's IDOK and IDCANCEL.
enum class TModalResult {
  None = 0,       // still showing
  Ok = 1,         // the window's action was confirmed (OK, "Carvelo !", a job done)
  Cancelled = 2,  // Cancel, Esc or the close box
  Failed = 3,     // the window's work failed (a carving job)
};

inline std::ostream& operator<<(std::ostream& out, TModalResult result) {
  constexpr const char* names[] = {"None", "Ok", "Cancelled", "Failed"};
  return out << names[static_cast<int>(result)];
}

}  // namespace carvelo
