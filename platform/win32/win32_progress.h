#pragma once
// A progress sink over a common-controls progress bar (msctls_progress32). Each call is a
// SendMessageA, so the control has handled it before the call returns.
#include "platform/win32/windows_api.h"

#include "platform/progress_sink.h"

namespace win32 {

class Win32ProgressBar : public plat::ProgressSink {
 public:
  explicit Win32ProgressBar(HWND bar = nullptr) : bar_(bar) {}
  void Attach(HWND bar) { bar_ = bar; }
  HWND window() const { return bar_; }

  void SetRange(int low, int high) override;
  void SetStep(int step) override;
  void SetPos(int pos) override;
  void StepIt() override;

 private:
  HWND bar_;
};

}  // namespace win32
