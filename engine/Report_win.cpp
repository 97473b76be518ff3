// Fatal engine messages reach the user in a message box. The engine runs on
// a worker thread, so the box has no owner and stays on top.
#include <windows.h>

#include "GEM_bands.h"

namespace carvelo {

void Report_Fatal(const char* Message) {
  MessageBoxA(nullptr, Message, "Carvelo", MB_OK | MB_ICONERROR | MB_TOPMOST | MB_TASKMODAL);
}

}  // namespace carvelo
