#include "app/wizard_app.h"

#include "platform/win32/windows_api.h"

#include <objbase.h>

#include <exception>
#include <string>

#include "app/start.h"
#include "discovery/install_catalogue.h"
#include "peruser/program_resource.h"
#include "platform/win32/own_resource.h"
#include "platform/win32/redirection_guard.h"
#include "platform/win32/win32_machine.h"
#include "ui/dlg_setup.h"
#include "unattended/exit_codes.h"

// Both in this one translation unit, in this order: the catalogue is built after the
// application object and destroyed before it.
CWizardApp theApp;
InstallCatalogue theCatalogue;

CWizardApp::CWizardApp() = default;
CWizardApp::~CWizardApp() = default;

namespace {

// What only the Windows build has: the setup dialog, and the system's own error boxes.
class WindowsRuns : public app::Windows {
 public:
  explicit WindowsRuns(win32::Machine& machine) : machine_(machine) {}

  void RunDialog(app::Installation& installation, const app::DialogPreset* preset) override {
    // The shell's folder browser needs COM on this thread, in a single-threaded apartment.
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    {
      Dlg_Setup dialog(installation, machine_.messages);
      if (preset) dialog.Preset(preset->folder, preset->ticked);
      dialog.DoModal();
    }
    if (SUCCEEDED(com)) ::CoUninitialize();
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
  // First: every path the process opens from here on is guarded.
  const bool guarded = win32::TurnOnRedirectionGuard();
  win32::Machine machine;
  WindowsRuns windows(machine);
  app::StartUp startUp{machine.platform(), theCatalogue, windows, machine.clock,
                       machine.audience, {}, {}, deploy::BuiltInPackageList(), guarded};
  machine.files.ModuleFileName(&startUp.modulePath);
  win32::OwnResource(IDR_PERUSER_PROGRAM, &startUp.perUserProgram);
  SetExitCode(app::Start(startUp, CommandLine()));
  return false;
}
