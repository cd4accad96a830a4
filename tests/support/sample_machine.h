#pragma once
// A simulated office machine for the runs' tests: AutoCAD 2008 and 2020 found, a package
// beside C:\Setup\SetUp.exe, a profile with a trusted path, and the recorded platform a run
// gets, whose log tells every write.
#include <algorithm>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "journal/recording_platform.h"
#include "platform/sim/sim_machine.h"
#include "tests/support/test_machine.h"
#include "unattended/run_log.h"

namespace sample {

constexpr char kProfile[] =
    "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804\\Profiles\\<<未命名配置>>\\Variables";
constexpr char k2020[] = "SOFTWARE\\Autodesk\\AutoCAD\\R23.1\\ACAD-3001:804";
constexpr char k2008[] = "SOFTWARE\\Autodesk\\AutoCAD\\R17.1\\ACAD-6001:804";
constexpr char kHost2020[] = "C:\\Program Files\\Autodesk\\AutoCAD 2020";
constexpr char kHost2008[] = "C:\\Program Files\\AutoCAD 2008";

inline void Seed(sim::Machine& m, bool withHosts = true, bool withPackage = true) {
  m.files.AddDrive('D');
  m.files.MakeFolders("C:\\Setup");
  m.files.WriteFile("C:\\Setup\\SetUp.exe", "setup");
  m.files.SetModuleFileName("C:\\Setup\\SetUp.exe");
  if (withPackage) {
    m.files.MakeFolders("C:\\Setup\\Data");
    for (const char* name : {"VL_BatchPlot2008.arx", "VL_BatchPlot2019.arx", "Velmar.prt7",
                             "Velmar.Ini", "Velmar_EN.shx", "Velmar_HZ.shx", "Velmar.prt5"}) {
      m.files.WriteFile(std::string("C:\\Setup\\Data\\") + name, std::string("file ") + name);
    }
  }
  if (withHosts) {
    const struct {
      const char* key;
      const char* location;
      const char* name;
    } hosts[] = {{k2008, kHost2008, "AutoCAD 2008 - 简体中文"},
                 {k2020, kHost2020, "AutoCAD 2020 - 简体中文"}};
    for (const auto& h : hosts) {
      regtest::SetString(m.registry, plat::kHkeyLocalMachine, h.key, "AcadLocation", h.location);
      regtest::SetString(m.registry, plat::kHkeyLocalMachine, h.key, "ProductName", h.name);
      m.files.MakeFolders(std::string(h.location) + "\\Fonts");
    }
  }
  regtest::SetString(m.registry, plat::kHkeyCurrentUser, kProfile, "TRUSTEDPATHS", "c:\\data");
  // What Windows has from the start (a user who never logged on has no Active Setup keys).
  regtest::CreatePath(m.registry, plat::kHkeyLocalMachine,
                      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall");
  regtest::CreatePath(m.registry, plat::kHkeyLocalMachine,
                      "SOFTWARE\\Microsoft\\Active Setup\\Installed Components");
  regtest::CreatePath(m.registry, plat::kHkeyCurrentUser, "SOFTWARE\\Microsoft");
}

// A Dump without the lines ("C:\\Velmar 16") of each product folder the uninstall leaves for
// good and of the folders below the drive's root that hold it; what lies in them still counts.
inline std::string WithoutKeptFolders(const std::string& dump) {
  const std::string product = "\\Velmar批打印软件 16";
  std::vector<std::string> lines, kept;
  std::istringstream all(dump);
  for (std::string line; std::getline(all, line);) lines.push_back(line);
  for (const std::string& line : lines) {
    const size_t at = line.rfind(product);
    if (at != std::string::npos && at + product.size() == line.size())
      kept.push_back(line.substr(0, line.size() - 3) + "\\");
  }
  std::string left;
  for (const std::string& line : lines) {
    const std::string folder = line.substr(0, line.size() - 3) + "\\";
    const bool holds = line.size() > 6 && line.compare(line.size() - 3, 3, " 16") == 0 &&
                       std::any_of(kept.begin(), kept.end(), [&](const std::string& k) {
                         return k.compare(0, folder.size(), folder) == 0;
                       });
    if (!holds) left += line + "\n";
  }
  return left;
}

// The machine as a run sees it: its writes told to a log, which serves as the transcript.
struct Recorded {
  explicit Recorded(sim::Machine& m, plat::MessageBoxes& boxes)
      : log(m.text),
        inner{m.registry, m.files, m.processes, boxes, m.text, m.checked},
        recording(inner, log) {}
  plat::Platform& platform() { return recording.platform(); }
  unattended::RunLog log;
  plat::Platform inner;
  journal::RecordingPlatform recording;
};

}  // namespace sample
