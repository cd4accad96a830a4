#pragma once
// The message-box seam over MessageBoxA. The owner window is set by the dialog once it exists;
// until then boxes have no owner.
#include "platform/win32/windows_api.h"

#include "platform/message_boxes.h"

namespace win32 {

class Win32MessageBoxes : public plat::MessageBoxes {
 public:
  void SetOwner(HWND owner) { owner_ = owner; }
  HWND owner() const { return owner_; }
  int Show(const std::string& text, const std::string& title, unsigned type) override;

 private:
  HWND owner_ = nullptr;
};

}  // namespace win32
