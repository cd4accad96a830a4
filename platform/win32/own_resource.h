#pragma once
// The bytes of a resource the running program carries (RT_RCDATA), read from its own image.
#include <string>

namespace win32 {

// False when the program holds no such resource.
bool OwnResource(int id, std::string* bytes);

}  // namespace win32
