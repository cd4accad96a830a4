#include "app/wizard_app.h"

#include "platform/win32/windows_api.h"

#include <objbase.h>

#include <exception>
#include <string>

#include "discovery/install_catalogue.h"
#include "journal/observer.h"
#include "platform/win32/own_resource.h"
#include "platform/win32/win32_machine.h"
#include "ui/dlg_setup.h"
#include "peruser/program_resource.h"
#include "unattended/exit_codes.h"
#include "unattended/start.h"
#include "uninstall/run_uninstall.h"
#include "uninstall/uninstall_support.h"

// Both in this one translation unit, in this order: the catalogue is built after the
// application object and destroyed before it.
CWizardApp theApp;
InstallCatalogue theCatalogue;

CWizardApp::CWizardApp() = default;
CWizardApp::~CWizardApp() = default;

namespace {

// The runs only the Windows build has: the setup dialog and the uninstall.
class WindowsRuns : public unattended::Runs {
 public:
  explicit WindowsRuns(win32::Machine& machine) : machine_(machine) {}

  void RunDialog(plat::Platform& platform, InstallCatalogue& catalogue,
                 const unattended::DialogPreset* preset, AfterInstall* after) override {
    // The shell's folder browser needs COM on this thread, in a single-threaded apartment.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
      Dlg_Setup dialog(platform, machine_.messages, catalogue);
      if (preset) dialog.Preset(preset->folder, preset->ticked);
      dialog.SetAfterInstall(after);
      dialog.DoModal();
    }
    if (SUCCEEDED(com)) ::CoUninitialize();
  }

  int RunUninstall(plat::Platform& platform, const cmdline::Options& options) override {
    return uninstall::RunUninstall(platform, uninstall::UninstallOptions{options.silent});
  }

  void ShowNoSystemErrors() override {
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    // The C runtime's own box for an ending it did not expect would wait as well.
    std::set_terminate([] { ::ExitProcess(unattended::kFatalError); });
  }

 private:
  win32::Machine& machine_;
};

std::u16string CommandLine() {
  const wchar_t* line = ::GetCommandLineW();
  return line ? std::u16string(line, line + ::wcslen(line)) : std::u16string();
}

}  // namespace

bool CWizardApp::InitInstance() {
  win32::Machine machine;
  // What listens to the record of a run is added here.
  journal::FanOut observers;
  WindowsRuns runs(machine);
  // The uninstall support hears the installation as it runs, and records it after it.
  uninstall::UninstallSupport uninstallSupport(machine.platform(), g_nBuildVersion);
  observers.Add(uninstallSupport.observer());
  unattended::StartUp startUp{machine.platform(), observers, theCatalogue,    runs,
                              machine.clock,      machine.runLocks, {}, {}, &uninstallSupport};
  machine.files.ModuleFileName(&startUp.modulePath);
  win32::OwnResource(IDR_PERUSER_PROGRAM, &startUp.perUserProgram);
  SetExitCode(unattended::Start(startUp, CommandLine()));
  return false;
}
