#include "platform/win32/win32_progress.h"

#include <commctrl.h>

namespace win32 {

void Win32ProgressBar::SetRange(int low, int high) {
  ::SendMessageA(bar_, PBM_SETRANGE, 0, MAKELPARAM(low, high));
}

void Win32ProgressBar::SetStep(int step) {
  ::SendMessageA(bar_, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

void Win32ProgressBar::SetPos(int pos) {
  ::SendMessageA(bar_, PBM_SETPOS, static_cast<WPARAM>(pos), 0);
}

void Win32ProgressBar::StepIt() { ::SendMessageA(bar_, PBM_STEPIT, 0, 0); }

}  // namespace win32
