#include "ui/setup_rules.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "ui/res/resource.h"

namespace {

using setup::Layout;

TEST(SetupRules, CheckBoxOfEachRelease) {
  // 2010 and 2011 carry each other's number; every other box follows the year.
  const std::map<int, int> expected = {
      {2007, 1018}, {2008, 1019}, {2009, 1020}, {2010, 1027}, {2011, 1026},
      {2012, 1028}, {2013, 1029}, {2014, 1030}, {2015, 1031}, {2016, 1032},
      {2017, 1033}, {2018, 1034}, {2019, 1035}, {2020, 1036}, {2021, 1037},
      {2022, 1038}, {2023, 1039}, {2024, 1040}, {2025, 1041}};
  for (const auto& [year, id] : expected) {
    EXPECT_EQ(setup::CheckBoxId(year), id) << year;
    EXPECT_EQ(setup::YearOfCheckBox(id), year) << id;
  }
  for (int other : {0, 1, 2, 1000, 1013, 1021, 1022, 1023, 1024, 1025, 1042}) {
    EXPECT_EQ(setup::YearOfCheckBox(other), 0) << other;
  }
  EXPECT_EQ(setup::CheckBoxId(2006), 0);
  EXPECT_EQ(setup::CheckBoxId(2026), 0);
}

ReleaseFlags AllTicked() {
  ReleaseFlags flags;
  flags.fill(1);
  return flags;
}

TEST(SetupRules, InitialReleaseChoice) {
  struct Case {
    std::set<int> found;
    int bits;
    std::set<int> ticked;
    std::set<int> disabled;  // all others enabled
    std::set<int> hidden;    // all others visible
  };
  std::set<int> allYears, from2017;
  for (int y = 2007; y <= 2025; ++y) {
    allYears.insert(y);
    if (y >= 2017) from2017.insert(y);
  }
  std::set<int> notFound2010_2020 = allYears;
  notFound2010_2020.erase(2010);
  notFound2010_2020.erase(2020);
  const Case cases[] = {
      {{}, 64, {}, allYears, {}},
      {allYears, 64, allYears, {}, {}},
      {{2010, 2020}, 64, {2010, 2020}, notFound2010_2020, {}},
      // A 32-bit build hides and unticks 2017 on, found or not; a found one stays enabled.
      {{2010, 2020}, 32, {2010}, notFound2010_2020, from2017},
      {{2016, 2017}, 32, {2016}, [&] {
         std::set<int> s = allYears;
         s.erase(2016);
         s.erase(2017);
         return s;
       }(), from2017},
  };
  for (const Case& c : cases) {
    InstallCatalogue catalogue;
    for (int year : c.found) catalogue.hostLocations[ReleaseIndex(year)].push_back("C:\\CAD\\");
    const setup::ReleaseChoice choice = setup::InitialReleaseChoice(catalogue, c.bits, AllTicked());
    for (int year = 2007; year <= 2025; ++year) {
      const int i = ReleaseIndex(year);
      SCOPED_TRACE(testing::Message() << "year " << year << ", " << c.bits << " bits");
      EXPECT_EQ(choice.flags[i], c.ticked.count(year) ? 1 : 0);
      EXPECT_EQ(choice.boxes[i].enabled, c.disabled.count(year) == 0);
      EXPECT_EQ(choice.boxes[i].visible, c.hidden.count(year) == 0);
    }
  }
}

TEST(SetupRules, InstallButtonNeedsOneTickedRelease) {
  ReleaseFlags none{};
  EXPECT_FALSE(setup::InstallButtonEnabled(none));
  for (int i : {0, 3, 18}) {
    ReleaseFlags one{};
    one[i] = 1;
    EXPECT_TRUE(setup::InstallButtonEnabled(one)) << i;
  }
  ReleaseFlags indeterminate{};
  indeterminate[5] = 2;  // BST_INDETERMINATE read from a box still counts as ticked
  EXPECT_TRUE(setup::InstallButtonEnabled(indeterminate));
}

TEST(SetupRules, VersionLabel) {
  const std::string label = setup::VersionLabel(20240426, 64);
  EXPECT_EQ(label, "Velmar批打印软件 V2024.4.26 (64位版本)");
  // Code page 936 bytes: 批 is C5 FA, and the whole label is 38 bytes.
  EXPECT_EQ(label.substr(0, 8), "Velmar\xC5\xFA");
  EXPECT_EQ(label.size(), 38u);
  EXPECT_EQ(setup::VersionLabel(20250105, 32), "Velmar批打印软件 V2025.1.5 (32位版本)");
  EXPECT_EQ(setup::VersionLabel(20241231, 64), "Velmar批打印软件 V2024.12.31 (64位版本)");
  EXPECT_EQ(setup::VersionLabel(20240100, 64), "Velmar批打印软件 V2024.1.0 (64位版本)");
}

TEST(SetupRules, OkEndsTheDialogOnlyAfterInstalling) {
  EXPECT_FALSE(setup::OkEndsDialog(Layout::kInput));
  EXPECT_FALSE(setup::OkEndsDialog(Layout::kProgress));
  EXPECT_TRUE(setup::OkEndsDialog(Layout::kCompletion));
}

// Visibility of the template's controls as the dialog opens.
std::map<int, bool> OpeningVisibility() {
  std::map<int, bool> visible;
  for (int year = 2007; year <= 2025; ++year) visible[setup::CheckBoxId(year)] = true;
  for (int id : {IDC_PATH_EDIT, IDC_VERSION_LABEL, IDC_BROWSE, IDC_COMPONENT_PROMPT,
                 IDC_PATH_PROMPT, IDC_INSTALL, 2}) {
    visible[id] = true;
  }
  for (int id : {1, IDC_PROGRESS, IDC_MENU_PICTURE, IDC_DONE_TEXT}) visible[id] = false;
  return visible;
}

std::set<int> Shown(const std::map<int, bool>& visible) {
  std::set<int> shown;
  for (const auto& [id, on] : visible) {
    if (on) shown.insert(id);
  }
  return shown;
}

TEST(SetupRules, EachLayoutShowsItsControls) {
  std::set<int> boxes;
  for (int year = 2007; year <= 2025; ++year) boxes.insert(setup::CheckBoxId(year));
  std::set<int> progress = boxes;
  progress.insert({IDC_COMPONENT_PROMPT, IDC_PROGRESS, IDC_INSTALL, 2, IDC_VERSION_LABEL});
  const std::set<int> completion = {IDC_DONE_TEXT, IDC_MENU_PICTURE, 1, IDC_VERSION_LABEL};

  std::map<int, bool> visible = OpeningVisibility();
  for (const setup::VisibilityStep& step : setup::ProgressLayoutSteps()) {
    ASSERT_TRUE(visible.count(step.controlId)) << step.controlId;
    visible[step.controlId] = step.show;
  }
  EXPECT_EQ(Shown(visible), progress);

  std::vector<int> hiddenBoxes;
  for (const setup::VisibilityStep& step : setup::CompletionLayoutSteps()) {
    ASSERT_TRUE(visible.count(step.controlId)) << step.controlId;
    visible[step.controlId] = step.show;
    if (boxes.count(step.controlId)) hiddenBoxes.push_back(step.controlId);
  }
  EXPECT_EQ(Shown(visible), completion);

  std::vector<int> yearOrder;
  for (int year = 2007; year <= 2025; ++year) yearOrder.push_back(setup::CheckBoxId(year));
  EXPECT_EQ(hiddenBoxes, yearOrder);
}

TEST(SetupRules, LayoutStepOrder) {
  // The bar appears only after the folder row it replaces has gone.
  const auto& progress = setup::ProgressLayoutSteps();
  ASSERT_FALSE(progress.empty());
  EXPECT_EQ(progress.back().controlId, IDC_PROGRESS);
  EXPECT_TRUE(progress.back().show);
  // "安装完成" is shown before "安  装" and "取  消" go, so a button is always there.
  const auto& completion = setup::CompletionLayoutSteps();
  auto at = [&](int id) {
    for (size_t i = 0; i < completion.size(); ++i) {
      if (completion[i].controlId == id) return i;
    }
    return completion.size();
  };
  EXPECT_LT(at(1), at(IDC_INSTALL));
  EXPECT_LT(at(1), at(2));
  EXPECT_LT(at(IDC_DONE_TEXT), at(IDC_COMPONENT_PROMPT));
}

TEST(SetupRules, CompletionCutsOffBelowTheOkButton) {
  // Dialog units of the template scaled by 1.5: OK bottom 228, cancel bottom 276.
  const setup::Rect window{100, 50, 100 + 430, 50 + 460};
  const setup::Rect cut = setup::ShortenedWindow(window, 342, 414);
  EXPECT_EQ(cut, (setup::Rect{100, 50, 530, 510 - 72}));
}

}  // namespace
