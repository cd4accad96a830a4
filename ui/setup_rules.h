#pragma once
// The setup dialog's rules as plain data: which release boxes are offered, when the install
// button is enabled, how the layouts follow one another and which controls each one shows,
// the version text, how the completion layout shortens the window, and how controls are
// coloured. The window code applies these; it decides nothing itself.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "discovery/install_catalogue.h"
#include "discovery/releases.h"

namespace setup {

// The check box of each release, in year order.
int CheckBoxId(int year);
// The release year of a check box id, or 0 for any other control.
int YearOfCheckBox(int controlId);

struct ReleaseBox {
  bool enabled = true;
  bool visible = true;
};

struct ReleaseChoice {
  ReleaseFlags flags;                          // the members after the dialog's set-up
  std::array<ReleaseBox, kReleaseCount> boxes;  // year order
};

// Starting from the flags as constructed (all ticked): a release without a host location is
// disabled and unticked; a 32-bit build hides the releases from 2017 on and unticks them.
ReleaseChoice InitialReleaseChoice(const InstallCatalogue& catalogue, int buildBits,
                                   const ReleaseFlags& constructed);

bool InstallButtonEnabled(const ReleaseFlags& flags);

// "Velmar批打印软件 V2024.4.26 (64位版本)" for 20240426 and 64; parts are not zero-padded.
std::string VersionLabel(int buildVersion, int buildBits);

enum class Layout { kInput, kProgress, kCompletion };

// The OK command (Enter on a check box or in the edit box, or "安装完成") ends the dialog
// only once the installation has finished; before that it would end the program with nothing
// installed.
bool OkEndsDialog(Layout layout);

struct VisibilityStep {
  int controlId;
  bool show;
};
// Show and hide steps of entering a layout, in the order they are applied.
const std::vector<VisibilityStep>& ProgressLayoutSteps();
const std::vector<VisibilityStep>& CompletionLayoutSteps();

struct Rect {
  int left = 0, top = 0, right = 0, bottom = 0;
  bool operator==(const Rect& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
};
// The completion layout cuts the window off below the "安装完成" button: the bottom edge moves
// up by the distance between the bottoms of the cancel and OK buttons (client coordinates);
// the other edges stay.
Rect ShortenedWindow(const Rect& window, int okButtonBottom, int cancelButtonBottom);

using Colour = uint32_t;  // COLORREF: red in the low byte
constexpr Colour Rgb(int r, int g, int b) {
  return static_cast<Colour>(r) | (static_cast<Colour>(g) << 8) | (static_cast<Colour>(b) << 16);
}
constexpr Colour kBackgroundColour = Rgb(170, 210, 150);
constexpr Colour kVersionColour = Rgb(10, 70, 40);

struct ColourAnswer {
  Colour textColour = 0;
  bool transparentText = true;  // the folder edit box keeps its opaque text background
  bool versionFont = false;     // the version label is drawn semi-bold
};
// The colours for a colour request of the dialog itself (id 0) or of a control.
ColourAnswer ColoursFor(int controlId);

}  // namespace setup
