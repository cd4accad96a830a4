#pragma once
// RedirectionGuard: once on, the process no longer follows a junction that a user who is not
// an administrator made. Windows 10 22H2 and Windows 11 have it; older systems and Wine do
// not. A second layer beside the checked walk, never in its place.
namespace win32 {

// Turns it on for the running process; true only when the system then reports it on.
bool TurnOnRedirectionGuard();

}  // namespace win32
