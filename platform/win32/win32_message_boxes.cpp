#include "platform/win32/win32_message_boxes.h"

namespace win32 {

int Win32MessageBoxes::Show(const std::string& text, const std::string& title, unsigned type) {
  return ::MessageBoxA(owner_, text.c_str(), title.c_str(), type);
}

}  // namespace win32
