// What a standard user of the same machine could try to have the elevated program load, run or
// act on their code, before an installation, after it, or during an uninstall run as SYSTEM;
// one row an attack. Each row answers whether the attack worked: it must not.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "app/installation.h"
#include "app/quiet_install.h"
#include "app/tests/headless_dialog.h"
#include "deploy/package.h"
#include "deploy/sha256.h"
#include "discovery/discovery.h"
#include "journal/recording_platform.h"
#include "onerun/one_run.h"
#include "platform/paths.h"
#include "platform/sim/sim_machine.h"
#include "protection/rules.h"
#include "unattended/exit_codes.h"
#include "unattended/log_file.h"
#include "unattended/silent_message_boxes.h"
#include "tests/support/hosts.h"
#include "tests/support/sample_machine.h"
#include "uninstall/record.h"
#include "uninstall/run_uninstall.h"
#include "uninstall/hand_over.h"

namespace {

using sim::Identity;

const char kEvil[] = "the attacker's code";
const std::string kSub = "\\Velmar批打印软件";
const std::string kProduct = "C:\\Velmar" + kSub;
const std::string kDriver = std::string(sample::kHost2008) + "\\Drv\\pdfplot9.hdi";

// The dialog, with what another process does while the installation copies its files, or
// while the dialog waits for its click.
class WatchedDialog : public HeadlessDialog {
 public:
  void TakeControlValues() override {
    if (whileWaiting) whileWaiting();
    HeadlessDialog::TakeControlValues();
  }
  void ShowProgressLayout() override {
    HeadlessDialog::ShowProgressLayout();
    if (whileInstalling) whileInstalling();
  }
  std::function<void()> whileWaiting, whileInstalling;
};

// The office machine of the unattended tests, with a host driver for an installation to
// replace; every call is the administrator's until a row says otherwise.
struct World {
  World() {
    sample::Seed(m);
    m.files.MakeFolders(std::string(sample::kHost2008) + "\\Drv");
    m.files.WriteFile(kDriver, "the host's own driver");
  }

  // Runs fn as a standard user signed in at the machine.
  template <typename Fn>
  auto AsUser(Fn fn) {
    const Identity was = m.files.caller();
    m.files.SetCaller(Identity::StandardUser());
    auto result = fn(m.files);
    m.files.SetCaller(was);
    return result;
  }
  bool UserMakes(const std::string& folder) {
    return AsUser([&](plat::FileSystem& f) { return f.CreateDirectory(folder); });
  }
  bool UserLinks(const std::string& path, const std::string& target) {
    return AsUser([&](sim::SimFileSystem& f) { return f.MakeLink(path, target); });
  }
  bool UserWrites(const std::string& path, const std::string& content = kEvil) {
    return AsUser([&](plat::FileSystem& f) { return f.WriteWholeFile(path, content); });
  }
  // As the owner would: first gives everyone everything, then writes.
  bool UserRewrites(const std::string& path) {
    AsUser([&](plat::FileSystem& f) {
      return f.SetAccessList(path, {true, {{plat::kSidEveryone, plat::kFileAllAccess, 0}}});
    });
    return UserWrites(path);
  }

  // The setup dialog run by an administrator at the machine, every found release ticked; the
  // questions answered as given. True when the installation ran to its end.
  bool InstallWithDialog(const std::string& folder, int answer = plat::kIdYes) {
    m.files.SetCaller(Identity::Administrator());
    m.messages.Clear();
    m.messages.Answer(answer);
    InstallCatalogue catalogue;
    app::Installation installation(m.platform(), catalogue, "", nullptr, list);
    DiscoverHosts(m.registry, catalogue);
    WatchedDialog dialog;
    dialog.whileWaiting = whileWaiting;
    dialog.whileInstalling = whileInstalling;
    dialog.controlFolderText = folder;
    for (int i = 0; i < kReleaseCount; ++i)
      dialog.controlFlags[i] = !catalogue.hostLocations[i].empty();
    g_bCheckHostRunning = true;
    return installation.Install(dialog, dialog.inputs()) == InstallEnd::kInstalled;
  }

  // SetUp.exe /S [/DIR=folder] as a deployment tool runs it: as SYSTEM. Its exit code.
  int InstallSilently(const char* folder = nullptr) {
    AsSystem();
    cmdline::Options options;
    options.noArguments = false;
    options.silent = true;
    options.hasFolder = folder != nullptr;
    options.folder = folder ? folder : "";
    unattended::SilentMessageBoxes boxes;
    plat::Platform silent{m.registry, m.files, m.processes, boxes, m.text, m.checked};
    InstallCatalogue catalogue;
    app::Installation installation(silent, catalogue, "", nullptr, list);
    g_bCheckHostRunning = true;
    return app::RunQuietInstall(installation, options, nullptr);
  }

  // Uninstall.exe /S of folder, as SYSTEM; then the helper it started, and a restart.
  int UninstallSilently(const std::string& folder = kProduct) {
    AsSystem();
    m.files.SetModuleFileName(folder + "\\Uninstall.exe");
    const size_t started = m.processes.started.size();
    const int code = uninstall::RunUninstall(m.platform(), uninstall::UninstallOptions{true, ""});
    if (m.processes.started.size() > started) {
      const std::string& line = m.processes.started.back();
      const std::string helper = line.substr(1, line.find('"', 1) - 1);
      m.files.SetModuleFileName(helper);
      uninstall::FinishHandOver(m.platform(), plat::FolderOf(m.text, helper));
    }
    m.files.Restart();
    return code;
  }

  // The one folder whose name starts so, in the folder of pattern ("C:\\Name-*").
  std::string FolderLike(const std::string& pattern) {
    plat::FindEntry entry;
    plat::UniqueFind find(m.files, m.files.FindFirst(pattern, &entry));
    return find ? pattern.substr(0, m.text.LastBackslash(pattern) + 1) + entry.name : "(none)";
  }

  void AsSystem() {
    m.files.SetCaller(Identity::System());
    m.files.SetTempFolder("C:\\Windows\\Temp");
  }

  // A quiet run's log opened as a deployment tool runs it: as SYSTEM.
  bool LogOpensAsSystem(const std::string& path) {
    AsSystem();
    unattended::LogFile log(m.platform());
    const bool opened = log.Open(path);
    const bool appended = log.Append("a line of the run\r\n");
    m.files.SetCaller(Identity::Administrator());
    return opened || appended;
  }

  // What AutoCAD 2020 loads for the plug-in at its next start, for every user.
  std::string Loaded() {
    const std::string key = std::string(sample::k2020) + "\\Applications\\VL_BatchPlot2020";
    const regtest::RawValue loader =
        regtest::ReadRaw(m.registry, plat::kHkeyLocalMachine, key, "LOADER");
    std::string content;
    if (!loader.found || !m.files.ReadFile(loader.bytes.c_str(), &content)) return "(nothing)";
    return content;
  }
  std::string File(const std::string& path) {
    std::string content;
    return m.files.ReadFile(path, &content) ? content : "(none)";
  }
  std::string Snapshot() {
    return m.registry.Dump(plat::kHkeyLocalMachine) + m.registry.Dump(plat::kHkeyCurrentUser) +
           m.files.Dump();
  }

  // The record of an installation made before this program protected the folder above the
  // product folder: C:\Velmar kept what the drive's root passes on, so that every user may
  // rename it.
  void InstalledBeforeTheFolderWasProtected() {
    ASSERT_TRUE(InstallWithDialog("C:\\Velmar"));
    m.files.SetDescriptor("C:\\Velmar", {plat::kSidAdministrators, {}});
  }

  // The package as this program was built for it: the list of Data's files as they are now.
  void BuildForThePackage() {
    const char* const names[] = {"VL_BatchPlot2008.arx", "VL_BatchPlot2019.arx", "Velmar.prt7",
                                 "Velmar.Ini", "Velmar_EN.shx", "Velmar_HZ.shx", "Velmar.prt5"};
    for (size_t n = 0; n < 7; ++n) {
      hashes[n] = deploy::Sha256Hex(File(std::string("C:\\Setup\\Data\\") + names[n]));
      listed[n] = {names[n], hashes[n].c_str()};
    }
    list = &built;
  }

  sim::Machine m;
  std::function<void()> whileWaiting, whileInstalling;
  const deploy::PackageList* list = nullptr;
  std::string hashes[7];
  deploy::ListedFile listed[7];
  const deploy::PackageList built{listed, 7};
};

// A record as an installation writes it, naming what the attacker wants done.
std::string CraftedRecord(sim::Machine& m, const std::string& folder,
                          const std::vector<uninstall::PlacedFile>& files) {
  uninstall::Installation inst;
  inst.number = 9;
  inst.files = files;
  return uninstall::FormatRecord(m.text, {folder, {inst}});
}

struct Attack {
  const char* when;
  const char* what;
  std::function<bool(World&)> works;
};

const Attack kAttacks[] = {
    // Before the installation.
    {"before", "makes C:\\Velmar with a module of theirs; the deployment tool installs /S",
     [](World& w) {
       w.UserMakes("C:\\Velmar");
       w.UserMakes(kProduct);
       w.UserWrites(kProduct + "\\VL_BatchPlot2019.ARX");
       const std::string before = w.Snapshot();
       return w.InstallSilently() != unattended::kFolderNotSafe || w.Snapshot() != before;
     }},
    {"before", "makes C:\\Velmar; the administrator at the dialog answers No to the question",
     [](World& w) {
       w.UserMakes("C:\\Velmar");
       const std::string before = w.Snapshot();
       return w.InstallWithDialog("C:\\Velmar", plat::kIdNo) || w.Snapshot() != before ||
              w.m.messages.shown().size() != 1;
     }},
    {"before", "makes C:\\Velmar with a module of theirs, to change it once installed; the "
               "administrator answers Yes",
     [](World& w) {
       w.UserMakes("C:\\Velmar");
       w.UserMakes(kProduct);
       w.UserWrites(kProduct + "\\VL_BatchPlot2019.ARX");
       if (!w.InstallWithDialog("C:\\Velmar")) return true;
       w.UserRewrites(kProduct + "\\VL_BatchPlot2019.ARX");
       return w.Loaded() == kEvil;
     }},
    {"before", "writes a record into a folder an administrator shares with every user, saying "
               "an earlier installation made it, for the installation to take it over unasked",
     [](World& w) {
       w.m.files.MakeFolders("D:\\Shared");
       const std::string theirs = "D:\\Shared" + kSub;
       w.UserMakes(theirs);
       uninstall::Installation inst;
       inst.number = 1;
       inst.foldersMade = {"D:\\Shared", theirs};
       w.UserWrites(theirs + "\\Uninstall.txt",
                    uninstall::FormatRecord(w.m.text, {theirs, {inst}}));
       plat::Descriptor shared, after;
       w.m.files.DescriptorOf("D:\\Shared", &shared);
       w.InstallWithDialog("D:\\Shared", plat::kIdNo);
       w.m.files.DescriptorOf("D:\\Shared", &after);
       return w.m.messages.shown().size() != 1 || !(after == shared);
     }},
    {"before", "makes the product sub-folder of a drive's root, with a module of theirs to "
               "change once installed",
     [](World& w) {
       w.UserMakes("C:" + kSub);
       w.UserWrites("C:" + kSub + "\\VL_BatchPlot2019.ARX");
       if (!w.InstallWithDialog("C:\\") || !w.m.messages.shown().empty()) return true;
       w.UserRewrites("C:" + kSub + "\\VL_BatchPlot2019.ARX");
       // Nothing of theirs is lost: it is where it was moved aside.
       const std::string aside = w.FolderLike("C:" + kSub + "-*");
       // Under a name no one can take first: sixteen hex digits of a random number.
       const std::string digits = aside.substr(std::min(aside.size(), ("C:" + kSub + "-").size()));
       const bool unforeseeable =
           digits.size() == 16 && digits.find_first_not_of("0123456789abcdef") == std::string::npos;
       return w.Loaded() == kEvil || w.File(aside + "\\VL_BatchPlot2019.ARX") != kEvil ||
              !unforeseeable;
     }},
    {"before", "makes the product sub-folder of a drive's root a junction to C:\\Windows, for "
               "the installation to open Windows' folder to them and fill it",
     [](World& w) {
       w.UserLinks("C:" + kSub, "C:\\Windows");
       plat::Descriptor windows;
       w.m.files.DescriptorOf("C:\\Windows", &windows);
       const std::string before = w.Snapshot();
       const bool refused = w.InstallSilently("C:\\") == unattended::kFolderNotSafe &&
                            !w.InstallWithDialog("C:\\") && w.m.messages.shown().size() == 1;
       plat::Descriptor after;
       w.m.files.DescriptorOf("C:\\Windows", &after);
       return !refused || w.Snapshot() != before || !(after == windows);
     }},
    {"during", "makes the missing install folder a junction to C:\\Windows while the "
               "administrator reads the question about the folder above it, their own",
     [](World& w) {
       w.UserMakes("D:\\Shared");
       w.m.messages.whileShown = [&] {
         w.UserLinks("D:\\Shared\\New", "C:\\Windows");
       };
       const bool installed = w.InstallWithDialog("D:\\Shared\\New");
       w.m.messages.whileShown = nullptr;
       return installed || w.File("C:\\Windows" + kSub + "\\VL_BatchPlot2019.arx") != "(none)" ||
              w.m.files.GetAttributes("C:\\Windows" + kSub) != plat::kInvalidAttributes;
     }},
    {"during", "makes the product sub-folder of their own folder a junction to C:\\Windows while "
               "the administrator reads the question about that folder",
     [](World& w) {
       w.UserMakes("D:\\Shared");
       w.m.messages.whileShown = [&] { w.UserLinks("D:\\Shared" + kSub, "C:\\Windows"); };
       plat::Descriptor windows, after;
       w.m.files.DescriptorOf("C:\\Windows", &windows);
       const bool installed = w.InstallWithDialog("D:\\Shared");
       w.m.messages.whileShown = nullptr;
       w.m.files.DescriptorOf("C:\\Windows", &after);
       return installed || !(after == windows) || w.m.messages.shown().size() != 2;
     }},
    {"before", "makes a folder only they may open, with a product sub-folder in it; the "
               "administrator answers Yes to the question",
     [](World& w) {
       w.UserMakes("D:\\Shared");
       w.UserMakes("D:\\Shared" + kSub);
       const plat::AccessEntry onlyMe{Identity::StandardUser().user, plat::kFileAllAccess, 3};
       const plat::AccessList mine = {true, {onlyMe}};
       w.AsUser([&](plat::FileSystem& f) { return f.SetAccessList("D:\\Shared" + kSub, mine); });
       w.AsUser([&](plat::FileSystem& f) { return f.SetAccessList("D:\\Shared", mine); });
       const std::string before = w.Snapshot();
       return w.InstallWithDialog("D:\\Shared") || w.Snapshot() != before ||
              w.m.messages.shown().size() != 2 ||
              w.m.messages.shown()[1].type != (plat::kMbOk | plat::kMbIconStop);
     }},
    {"during", "makes the product sub-folder of a drive's root a junction to C:\\Windows "
               "after /S has looked at the folder, while it looks for a running AutoCAD",
     [](World& w) {
       w.m.processes.onSnapshot = [&] {
         w.UserLinks("C:" + kSub, "C:\\Windows");
       };
       const std::string before = w.Snapshot();
       const int code = w.InstallSilently("C:\\");
       w.m.processes.onSnapshot = nullptr;
       w.m.files.Remove("C:" + kSub);
       return code != unattended::kFolderNotSafe || w.Snapshot() != before;
     }},
    {"before", "makes C:\\Velmar a junction to C:\\Program Files, for the installation to "
               "put a folder there",
     [](World& w) {
       w.UserLinks("C:\\Velmar", "C:\\Program Files");
       const std::string before = w.Snapshot();
       return w.InstallSilently() != unattended::kFolderNotSafe || w.Snapshot() != before;
     }},
    {"before", "makes every helper folder name they can foresee in C:\\Windows\\Temp, each with a "
               "program of theirs",
     [](World& w) {
       if (w.InstallSilently() != unattended::kInstalled) return true;
       const uint32_t self = w.m.processes.ownId;
       for (uint32_t id : {1u, 4u, 8u, 4096u, self, self + 1}) {
         const std::string folder = "C:\\Windows\\Temp\\VelmarUninstall-" + std::to_string(id);
         w.UserMakes(folder);
         w.UserWrites(folder + "\\Uninstall.exe");
       }
       bool theirs = true;
       w.m.processes.beforeStart = [&](const std::string& line) {
         const std::string program = line.substr(1, line.find('"', 1) - 1);
         const std::string folder = program.substr(0, w.m.text.LastBackslash(program));
         theirs = w.File(program) != "setup" || w.UserWrites(folder + "\\version.dll");
       };
       w.UninstallSilently();
       return theirs;
     }},
    {"during", "replaces the helper program and its list between their writing and its start",
     [](World& w) {
       if (w.InstallSilently() != unattended::kInstalled) return true;
       bool replaced = true;
       std::string started;
       w.m.processes.beforeStart = [&](const std::string& line) {
         started = line.substr(1, line.find('"', 1) - 1);
         const std::string folder = started.substr(0, w.m.text.LastBackslash(started));
         replaced = w.UserWrites(started) || w.UserWrites(folder + "\\Uninstall-handover.txt") ||
                    w.UserWrites(folder + "\\version.dll") ||
                    w.AsUser([&](plat::FileSystem& f) {
                      return f.MoveFile(folder, folder + "-x");
                    });
         started = w.File(started);
       };
       w.UninstallSilently();
       return replaced || started != "setup";
     }},
    // After the installation.
    {"after", "renames C:\\Velmar aside and puts a folder of theirs in its place",
     [](World& w) {
       if (!w.InstallWithDialog("C:\\Velmar")) return true;
       if (!w.AsUser([](plat::FileSystem& f) { return f.MoveFile("C:\\Velmar", "C:\\Old"); }))
         return false;
       w.UserMakes("C:\\Velmar");
       w.UserMakes(kProduct);
       w.UserWrites(kProduct + "\\VL_BatchPlot2019.ARX");
       return w.Loaded() == kEvil;
     }},
    {"after", "renames C:\\Velmar aside once the deployment tool has installed there",
     [](World& w) {
       if (w.InstallSilently() != unattended::kInstalled) return true;
       return w.AsUser([](plat::FileSystem& f) { return f.MoveFile("C:\\Velmar", "C:\\Old"); });
     }},
    {"after", "replaces the module, adds a library beside it, or rewrites the folder's list",
     [](World& w) {
       if (w.InstallSilently() != unattended::kInstalled) return true;
       return w.UserRewrites(kProduct + "\\VL_BatchPlot2019.ARX") ||
              w.UserWrites(kProduct + "\\version.dll") || w.UserMakes(kProduct + "\\Lisp") ||
              w.AsUser([](plat::FileSystem& f) {
                const plat::AccessEntry everyone{plat::kSidEveryone, plat::kFileAllAccess, 3};
                return f.SetAccessList(kProduct, {false, {everyone}});
              });
     }},
    {"during", "renames aside the C:\\Velmar of an installation made before it was protected "
               "while the new version copies its files there",
     [](World& w) {
       w.InstalledBeforeTheFolderWasProtected();
       bool renamed = true;
       w.whileInstalling = [&] {
         renamed =
             w.AsUser([](plat::FileSystem& f) { return f.MoveFile("C:\\Velmar", "C:\\Old"); });
       };
       return !w.InstallWithDialog("C:\\Velmar") || renamed;
     }},
    {"after", "renames aside the C:\\Velmar of an installation made before it was protected, once "
              "the new version has installed over it",
     [](World& w) {
       w.InstalledBeforeTheFolderWasProtected();
       if (!w.InstallWithDialog("C:\\Velmar") || !w.m.messages.shown().empty()) return true;
       return w.AsUser([](plat::FileSystem& f) { return f.MoveFile("C:\\Velmar", "C:\\Old"); });
     }},
    // During an uninstall run as SYSTEM.
    {"during", "puts a C:\\Velmar of theirs in place of an old installation's, with a record that "
               "restores their driver over the host's",
     [](World& w) {
       w.InstalledBeforeTheFolderWasProtected();
       w.AsUser([](plat::FileSystem& f) { return f.MoveFile("C:\\Velmar", "C:\\Old"); });
       w.UserMakes("C:\\Velmar");
       w.UserMakes(kProduct);
       w.UserMakes(kProduct + "\\Backup");
       w.UserWrites(kProduct + "\\Backup\\1-1 pdfplot9.hdi");
       const uninstall::FileContent ours = uninstall::ContentOf(w.File(kDriver));
       w.UserWrites(kProduct + "\\Uninstall.txt",
                    CraftedRecord(w.m, kProduct,
                                  {{kDriver, ours, kProduct + "\\Backup\\1-1 pdfplot9.hdi",
                                    uninstall::ContentOf(kEvil)}}));
       const std::string before = w.Snapshot();
       return w.UninstallSilently() != uninstall::kNothingFound || w.Snapshot() != before;
     }},
    {"during", "rewrites the earlier record of an installation into their own folder, which the "
               "administrator accepted, to restore their driver over the host's",
     [](World& w) {
       w.UserMakes("D:\\Tools");
       if (!w.InstallWithDialog("D:\\Tools") || !w.InstallWithDialog("C:\\Velmar")) return true;
       const std::string theirs = "D:\\Tools" + kSub;
       w.AsUser([](plat::FileSystem& f) { return f.MoveFile("D:\\Tools", "D:\\Old"); });
       w.UserMakes("D:\\Tools");
       w.UserMakes(theirs);
       w.UserMakes(theirs + "\\Backup");
       w.UserWrites(theirs + "\\Backup\\1-1 pdfplot9.hdi");
       w.UserWrites(theirs + "\\Uninstall.txt",
                    CraftedRecord(w.m, theirs,
                                  {{kDriver, uninstall::ContentOf(w.File(kDriver)),
                                    theirs + "\\Backup\\1-1 pdfplot9.hdi",
                                    uninstall::ContentOf(kEvil)}}));
       w.UninstallSilently();
       return w.File(kDriver) == kEvil;
     }},
    // The log a deployment tool names, in a folder where every user may make files (C:\Shared,
    // made by an administrator on the drive's root): written as SYSTEM, it would overwrite
    // or feed what the user put there.
    {"before", "makes the log file the deployment tool will name, to have SYSTEM write into it",
     [](World& w) {
       w.UserMakes("C:\\Shared");
       w.UserWrites("C:\\Shared\\setup.log", "theirs");
       return w.LogOpensAsSystem("C:\\Shared\\setup.log") ||
              w.File("C:\\Shared\\setup.log") != "theirs";
     }},
    {"before", "puts a symbolic link to a file of Windows' where the log will be",
     [](World& w) {
       w.m.files.MakeFolders("C:\\Windows\\System32");
       w.m.files.WriteFile("C:\\Windows\\System32\\drivers.ini", "Windows' own");
       w.UserMakes("C:\\Shared");
       w.AsUser([](sim::SimFileSystem& f) {
         return f.MakeLink("C:\\Shared\\setup.log", "C:\\Windows\\System32\\drivers.ini", false);
       });
       return w.LogOpensAsSystem("C:\\Shared\\setup.log") ||
              w.File("C:\\Windows\\System32\\drivers.ini") != "Windows' own";
     }},
    {"before", "gives a file of Windows' a second name (a hard link) where the log will be",
     [](World& w) {
       w.m.files.MakeFolders("C:\\Windows\\System32");
       w.m.files.WriteFile("C:\\Windows\\System32\\drivers.ini", "Windows' own");
       w.UserMakes("C:\\Shared");
       w.AsUser([](sim::SimFileSystem& f) {
         return f.MakeHardLink("C:\\Shared\\setup.log", "C:\\Windows\\System32\\drivers.ini");
       });
       return w.LogOpensAsSystem("C:\\Shared\\setup.log") ||
              w.File("C:\\Shared\\setup.log") != "Windows' own";
     }},
    {"before", "makes the log's folder, or the folder above it, a junction to "
               "C:\\Windows\\System32",
     [](World& w) {
       w.m.files.MakeFolders("C:\\Windows\\System32");
       w.UserMakes("C:\\Shared");
       w.UserLinks("C:\\Shared\\Logs", "C:\\Windows\\System32");
       w.UserLinks("C:\\Logs", "C:\\Windows");
       return w.LogOpensAsSystem("C:\\Shared\\Logs\\setup.log") ||
              w.LogOpensAsSystem("C:\\Logs\\System32\\setup.log") ||
              w.File("C:\\Windows\\System32\\setup.log") != "(none)";
     }},
    // Every user may make a folder on the drive's root; the log's own folder is such a one.
    {"before", "makes C:\\Logs a junction to C:\\Windows\\System32",
     [](World& w) {
       w.m.files.MakeFolders("C:\\Windows\\System32");
       w.UserLinks("C:\\Logs", "C:\\Windows\\System32");
       return w.LogOpensAsSystem("C:\\Logs\\setup.log") ||
              w.File("C:\\Windows\\System32\\setup.log") != "(none)";
     }},
    // The program and its package, in a folder every user may change (C:\Setup, below C:\).
    {"during", "renames the running SetUp.exe aside and puts a program of theirs in its place "
               "while the dialog waits, for it to become the Uninstall.exe that runs elevated",
     [](World& w) {
       w.whileWaiting = [&] {
         w.AsUser([](plat::FileSystem& f) {
           return f.MoveFile("C:\\Setup\\SetUp.exe", "C:\\Setup\\Aside.exe");
         });
         w.UserWrites("C:\\Setup\\SetUp.exe");
       };
       return !w.InstallWithDialog("C:\\Velmar") || w.File(kProduct + "\\Uninstall.exe") != "setup";
     }},
    {"during", "replaces the module in Data and adds a library there while the dialog of a "
               "build made for its package waits",
     [](World& w) {
       w.BuildForThePackage();
       w.whileWaiting = [&] {
         w.UserWrites("C:\\Setup\\Data\\VL_BatchPlot2019.arx");
         w.UserWrites("C:\\Setup\\Data\\version.dll");
       };
       return !w.InstallWithDialog("C:\\Velmar") || w.Loaded() == kEvil ||
              w.File(kProduct + "\\version.dll") != "(none)";
     }},
    {"before", "changes a file of the package a build was made for, for the dialog to install it",
     [](World& w) {
       w.BuildForThePackage();
       w.UserWrites("C:\\Setup\\Data\\Velmar.prt7");
       const std::string before = w.Snapshot();
       const bool installed = w.InstallWithDialog("C:\\Velmar");
       const auto& shown = w.m.messages.shown();
       return installed || w.Snapshot() != before || shown.size() != 1 ||
              shown[0].text.find("C:\\Setup\\Data\\Velmar.prt7 已被更改") == std::string::npos;
     }},
    {"before", "changes a file of the package a build was made for, for /S to install it",
     [](World& w) {
       w.BuildForThePackage();
       w.UserWrites("C:\\Setup\\Data\\Velmar.prt7");
       const std::string before = w.Snapshot();
       return w.InstallSilently() != unattended::kPackageRefused || w.Snapshot() != before;
     }},
    // AutoCAD on a second drive: its Fonts folder is every signed-in user's to change.
    {"before", "replaces Fonts with a junction to a folder of Windows', or into \\RPC Control "
               "where a link named like a font leads to a file of Windows', for SYSTEM to back "
               "that file up where users read it and write the font over it",
     [](World& w) {
       hosts::SeedOnSecondDrive(w.m, sample::k2020);
       regtest::SetString(w.m.registry, plat::kHkeyLocalMachine, sample::k2020, "ProductName",
                          "AutoCAD 2020 - 简体中文");
       w.m.files.MakeFolders("C:\\Windows\\System32");
       w.m.files.WriteFile("C:\\Windows\\System32\\Velmar_HZ.shx", "Windows' own");
       w.m.files.WriteFile("C:\\Windows\\System32\\secret.ini", "Windows' own");
       const std::string fonts = std::string(hosts::kSecondDrive2020) + "\\Fonts";
       bool worked = false;
       for (const char* to : {"C:\\Windows\\System32", sim::SimFileSystem::kRpcControl}) {
         w.AsUser([&](plat::FileSystem& f) { return f.MoveFile(fonts, fonts + "-old"); });
         w.UserLinks(fonts, to);
         w.AsUser([](sim::SimFileSystem& f) {
           return f.MakeObjectLink("Velmar_EN.shx", "C:\\Windows\\System32\\secret.ini");
         });
         const bool installed = w.InstallSilently() == unattended::kInstalled;
         bool backedUp = false;
         plat::FindEntry entry;
         plat::FileSystem& f = w.m.files;
         plat::UniqueFind find(f, f.FindFirst(kProduct + "\\Backup\\*", &entry));
         for (bool more = static_cast<bool>(find); more; more = f.FindNext(find.get(), &entry))
           backedUp = backedUp || w.File(kProduct + "\\Backup\\" + entry.name) == "Windows' own";
         worked = worked || !installed || backedUp ||
                  w.File("C:\\Windows\\System32\\secret.ini") != "Windows' own" ||
                  w.File("C:\\Windows\\System32\\Velmar_HZ.shx") != "Windows' own";
         w.m.files.Remove(fonts);
         w.AsUser([&](plat::FileSystem& f) { return f.MoveFile(fonts + "-old", fonts); });
       }
       // The host on D: is one the installation serves: without the link it gets its fonts.
       return worked || w.InstallSilently() != unattended::kInstalled ||
              w.File(fonts + "\\Velmar_EN.shx") == "(none)";
     }},
    {"before", "makes the Velmar folder of their own %APPDATA% a junction to C:\\Windows\\System32 "
               "for the settings file of a SYSTEM run with their environment, which installs "
               "all the same",
     [](World& w) {
       const std::string roaming = "C:\\users\\them\\AppData\\Roaming";
       w.m.files.MakeFolders(roaming);
       w.m.files.SetDescriptor("C:\\users\\them",
                               sim::ProfileDescriptor(Identity::StandardUser().user));
       w.UserLinks(roaming + "\\Velmar", "C:\\Windows\\System32");
       w.m.files.SetEnvironment("APPDATA", roaming);
       return w.InstallSilently() != unattended::kInstalled ||
              w.File("C:\\Windows\\System32\\Velmar.Ini") != "(none)";
     }},
};

TEST(Attacks, NoneWorks) {
  for (const Attack& attack : kAttacks) {
    SCOPED_TRACE(std::string(attack.when) + ": " + attack.what);
    World world;
    EXPECT_FALSE(attack.works(world));
  }
}

// What the elevated program acts on is what it checked, on the handle it checked. One row an
// attack, as above.
const char kSystemFile[] = "C:\\Windows\\System32\\config.ini";

// AutoCAD 2020 on a second drive, in folders every user may change; a file no user may change.
void OnSecondDrive(World& w) {
  hosts::SeedOnSecondDrive(w.m, sample::k2020);
  regtest::SetString(w.m.registry, plat::kHkeyLocalMachine, sample::k2020, "ProductName",
                     "AutoCAD 2020 - 简体中文");
  w.m.files.MakeFolders("C:\\Windows\\System32");
  w.m.files.WriteFile(kSystemFile, "Windows' own");
}

// Done once the install folder was judged by name, before it is first reached through a handle.
void OnFirstCheckedCall(World& w, std::function<void()> what) {
  w.m.files.BeforeEachCall([&w, what, done = false](const std::string& call, int) mutable {
    if (call != "OpenDrive" || std::exchange(done, true)) return;
    what();
  });
}

// After a Yes to their own D:\Shared, its owner puts a product folder of theirs in its place;
// rewriteList: first rewrites the folder's list to give themselves what that takes.
bool OwnerReplacesTheProductFolder(World& w, bool rewriteList) {
  w.UserMakes("D:\\Shared");
  if (w.InstallSilently("D:\\Shared") != unattended::kFolderNotSafe) return true;
  // The question says what a Yes gives the owner.
  if (!w.InstallWithDialog("D:\\Shared") || w.m.messages.shown().empty() ||
      w.m.messages.shown()[0].text.find("登录时从这里运行的程序") == std::string::npos)
    return true;
  const std::string ours = "D:\\Shared" + kSub;
  if (rewriteList) {
    w.AsUser([](plat::FileSystem& f) {
      return f.SetAccessList("D:\\Shared",
                             {true, {{Identity::StandardUser().user, plat::kFileAllAccess, 3}}});
    });
  }
  w.AsUser([&](plat::FileSystem& f) { return f.MoveFile(ours, ours + "-x"); });
  w.UserMakes(ours);
  w.UserWrites(ours + "\\Uninstall.exe");
  w.UserWrites(ours + "\\Uninstall.txt",
               CraftedRecord(w.m, ours,
                             {{kDriver, uninstall::ContentOf(w.File(kDriver)), "", {}}}));
  // The uninstall, as SYSTEM, acts on no record of theirs.
  const std::string machine = w.Snapshot();
  return w.UninstallSilently(ours) != uninstall::kNothingFound || w.Snapshot() != machine;
}

const Attack kCheckedAttacks[] = {
    {"during", "swaps the second drive's Fonts for a junction to \\RPC Control, whose link named "
               "like the font leads to a file of Windows', between the uninstall's check of the "
               "font and its delete",
     [](World& w) {
       OnSecondDrive(w);
       if (w.InstallSilently() != unattended::kInstalled) return true;
       // With the first host's driver put back, the next deletion is the second drive's font.
       const std::string fonts = std::string(hosts::kSecondDrive2020) + "\\Fonts";
       bool swapped = false;
       w.m.files.BeforeEachCall([&](const std::string& call, int) {
         const bool next = w.File(kDriver) == "the host's own driver" &&
                           w.File(kProduct + "\\Backup\\1-1 pdfplot9.hdi") == "(none)";
         if ((call != "Delete" && call != "DeleteFile") || !next || swapped) return;
         swapped = w.AsUser([&](sim::SimFileSystem& f) {
           return f.MoveFile(fonts, fonts + "-old") &&
                  f.MakeLink(fonts, sim::SimFileSystem::kRpcControl) &&
                  f.MakeObjectLink("Velmar_EN.shx", kSystemFile);
         });
       });
       w.UninstallSilently();
       w.m.files.BeforeEachCall(nullptr);
       return !swapped || w.File(kSystemFile) != "Windows' own";
     }},
    {"after", "reads the host's own file that the installation saved", [](World& w) {
       if (w.InstallSilently() != unattended::kInstalled) return true;
       return w.AsUser([](plat::FileSystem& f) {
         std::string saved;
         return f.ReadWholeFile(kProduct + "\\Backup\\1-1 pdfplot9.hdi", &saved);
       });
     }},
    {"during", "renames an administrator's C:\\Shared, which every user may change, aside "
               "between two lines of the log and puts a junction to C:\\Windows\\System32 there",
     [](World& w) {
       w.m.files.MakeFolders("C:\\Windows\\System32");
       w.m.files.MakeFolders("C:\\Shared");
       w.AsSystem();
       unattended::LogFile log(w.m.platform());
       log.Open("C:\\Shared\\setup.log");
       log.Append("the first line\r\n");
       w.AsUser([](sim::SimFileSystem& f) {
         return f.MoveFile("C:\\Shared", "C:\\Old") &&
                f.MakeLink("C:\\Shared", "C:\\Windows\\System32");
       });
       log.Append("the second line\r\n");
       return w.File("C:\\Windows\\System32\\setup.log") != "(none)";
     }},
    {"during", "makes the missing C:\\Velmar a folder of their own once the installation has "
               "looked at it, before it makes it",
     [](World& w) {
       OnFirstCheckedCall(w, [&] { w.UserMakes("C:\\Velmar"); });
       const int code = w.InstallSilently();
       w.m.files.BeforeEachCall(nullptr);
       return code != unattended::kFolderNotSafe ||
              w.m.files.GetAttributes(kProduct) != plat::kInvalidAttributes;
     }},
    {"during", "swaps the C:\\Velmar of an installation made before it was protected for a "
               "junction to C:\\Windows\\Temp, for its protection to rewrite that folder's list",
     [](World& w) {
       w.InstalledBeforeTheFolderWasProtected();
       plat::Descriptor temp, after;
       w.m.files.DescriptorOf("C:\\Windows\\Temp", &temp);
       OnFirstCheckedCall(w, [&] {
         w.AsUser([](sim::SimFileSystem& f) {
           return f.MoveFile("C:\\Velmar", "C:\\Old") &&
                  f.MakeLink("C:\\Velmar", "C:\\Windows\\Temp");
         });
       });
       w.InstallSilently();
       w.m.files.BeforeEachCall(nullptr);
       w.m.files.DescriptorOf("C:\\Windows\\Temp", &after);
       return !(after == temp);
     }},
    {"after", "owns D:\\Shared, and once the administrator has answered Yes, moves the product "
              "folder aside and puts one of their own with Uninstall.exe in its place",
     [](World& w) { return OwnerReplacesTheProductFolder(w, false); }},
    {"after", "owns D:\\Shared, and once the administrator has answered Yes, rewrites its list to "
              "give themselves what moving the product folder aside takes",
     [](World& w) { return OwnerReplacesTheProductFolder(w, true); }},
    {"before", "puts a copy of the program in a folder every user may change, beside a hand-over "
               "list of theirs naming the installation, for an administrator to run it with "
               "/UNINSTALL",
     [](World& w) {
       if (w.InstallSilently() != unattended::kInstalled) return true;
       w.m.files.MakeFolders("C:\\Shared");
       w.UserWrites("C:\\Shared\\SetUp.exe", "setup");
       w.UserWrites("C:\\Shared\\Uninstall-handover.txt",
                    "Velmar uninstall hand-over 1\r\nwait 1\r\ndelete " + kProduct +
                        "\\Uninstall.exe\r\nremove " + kProduct + "\r\n");
       w.m.files.SetModuleFileName("C:\\Shared\\SetUp.exe");
       uninstall::FinishHandOver(w.m.platform(), "C:\\Shared");
       return !w.m.files.pendingDeletes().empty() ||
              w.File(kProduct + "\\Uninstall.exe") == "(none)";
     }},
    {"after", "makes the product folder again once it is uninstalled, with a module of theirs, "
              "which other users' profiles still trust",
     [](World& w) {
       if (w.InstallSilently() != unattended::kInstalled) return true;
       w.UninstallSilently();
       return w.UserMakes("C:\\Velmar") || w.UserMakes(kProduct) ||
              w.UserWrites(kProduct + "\\VL_BatchPlot2019.ARX");
     }},
    {"before", "makes the run lock's file first, where a run holds it, to keep every run out or "
               "to have two run at once",
     [](World& w) {
       sim::SimClock clock;
       const std::string lock = std::string("C:\\Windows\\") + onerun::kLockFileName;
       const bool theirs = w.UserWrites(lock);
       const onerun::Claim first = onerun::ClaimTheRun(w.m.platform(), clock, false, 0);
       const onerun::Claim second = onerun::ClaimTheRun(w.m.platform(), clock, false, 0);
       return theirs || w.m.files.GetAttributes(lock) == plat::kInvalidAttributes ||
              first.claimed != onerun::Claimed::kOurs ||
              second.claimed != onerun::Claimed::kAnotherRun;
     }},
    {"before", "makes every default log name they can foresee in C:\\Windows\\Temp, for the "
               "quiet run to write its log into a file of theirs",
     [](World& w) {
       const std::string foreseen = "C:\\Windows\\Temp\\VelmarSetup-20240426-101500-";
       for (uint32_t id : {1u, 4u, 4096u, w.m.processes.ownId})
         w.UserWrites(foreseen + std::to_string(id) + ".log");
       w.AsSystem();
       std::string path;
       unattended::LogFile log(w.m.platform());
       const bool opened = unattended::DefaultLogPath(w.m.files, w.m.clock.Now(), false, &path) &&
                           log.Open(path, true) && log.Append("a line of the run\r\n");
       plat::Descriptor made;
       return !opened || !w.m.files.DescriptorOf(path, &made) ||
              made.owner != plat::kSidAdministrators;
     }},
};

TEST(Attacks, NoneWorksOnWhatWasChecked) {
  for (const Attack& attack : kCheckedAttacks) {
    SCOPED_TRACE(std::string(attack.when) + ": " + attack.what);
    World world;
    EXPECT_FALSE(attack.works(world));
  }
}

}  // namespace
