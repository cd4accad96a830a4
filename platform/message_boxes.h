#pragma once
// Message-box seam: a modal message owned by the program's main window.
// type is a MessageBox type (buttons | icon); the answer is the button id (kIdOk, kIdRetry, ...).
#include <string>

namespace plat {

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  virtual int Show(const std::string& text, const std::string& title, unsigned type) = 0;
};

}  // namespace plat
