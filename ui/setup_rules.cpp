#include "ui/setup_rules.h"

#include <cstdio>

#include "platform/win_constants.h"
#include "ui/res/resource.h"

namespace setup {
namespace {

constexpr std::array<int, kReleaseCount> kCheckBoxIds = {
    IDC_ACAD2007, IDC_ACAD2008, IDC_ACAD2009, IDC_ACAD2010, IDC_ACAD2011,
    IDC_ACAD2012, IDC_ACAD2013, IDC_ACAD2014, IDC_ACAD2015, IDC_ACAD2016,
    IDC_ACAD2017, IDC_ACAD2018, IDC_ACAD2019, IDC_ACAD2020, IDC_ACAD2021,
    IDC_ACAD2022, IDC_ACAD2023, IDC_ACAD2024, IDC_ACAD2025};

// A 32-bit build offers no release from this year on.
constexpr int kFirst64BitOnlyYear = 2017;

std::vector<VisibilityStep> MakeCompletionSteps() {
  std::vector<VisibilityStep> steps = {
      {IDC_DONE_TEXT, true},         {IDC_MENU_PICTURE, true},
      {IDC_COMPONENT_PROMPT, false}, {IDC_PROGRESS, false},
      {plat::kIdOk, true},              {IDC_INSTALL, false},
      {plat::kIdCancel, false}};
  for (int id : kCheckBoxIds) steps.push_back({id, false});
  return steps;
}

}  // namespace

int CheckBoxId(int year) { return IsReleaseYear(year) ? kCheckBoxIds[ReleaseIndex(year)] : 0; }

int YearOfCheckBox(int controlId) {
  for (int year = kFirstReleaseYear; year <= kLastReleaseYear; ++year) {
    if (CheckBoxId(year) == controlId) return year;
  }
  return 0;
}

ReleaseChoice InitialReleaseChoice(const InstallCatalogue& catalogue, int buildBits,
                                   const ReleaseFlags& constructed) {
  ReleaseChoice choice{constructed, {}};
  for (int i = 0; i < kReleaseCount; ++i) {
    if (catalogue.hostLocations[i].empty()) {
      choice.boxes[i].enabled = false;
      choice.flags[i] = 0;
    }
  }
  if (buildBits == 32) {
    for (int year = kFirst64BitOnlyYear; year <= kLastReleaseYear; ++year) {
      choice.boxes[ReleaseIndex(year)].visible = false;
      choice.flags[ReleaseIndex(year)] = 0;
    }
  }
  return choice;
}

bool InstallButtonEnabled(const ReleaseFlags& flags) {
  for (int flag : flags) {
    if (flag != 0) return true;
  }
  return false;
}

std::string VersionLabel(int buildVersion, int buildBits) {
  char text[128];
  std::snprintf(text, sizeof text, "Velmar批打印软件 V%d.%d.%d (%d位版本)", buildVersion / 10000,
                buildVersion % 10000 / 100, buildVersion % 100, buildBits);
  return text;
}

bool OkEndsDialog(Layout layout) { return layout == Layout::kCompletion; }

const std::vector<VisibilityStep>& ProgressLayoutSteps() {
  // The folder row goes first, then the bar appears in the room it left.
  static const std::vector<VisibilityStep> steps = {{IDC_PATH_PROMPT, false},
                                                    {IDC_PATH_EDIT, false},
                                                    {IDC_BROWSE, false},
                                                    {IDC_PROGRESS, true}};
  return steps;
}

const std::vector<VisibilityStep>& CompletionLayoutSteps() {
  static const std::vector<VisibilityStep> steps = MakeCompletionSteps();
  return steps;
}

Rect ShortenedWindow(const Rect& window, int okButtonBottom, int cancelButtonBottom) {
  Rect shortened = window;
  shortened.bottom += okButtonBottom - cancelButtonBottom;
  return shortened;
}

ColourAnswer ColoursFor(int controlId) {
  ColourAnswer answer;
  answer.textColour = Rgb(0, 0, 0);
  answer.transparentText = controlId != IDC_PATH_EDIT;
  if (controlId == IDC_VERSION_LABEL) {
    answer.versionFont = true;
    answer.textColour = kVersionColour;
  }
  return answer;
}

}  // namespace setup
