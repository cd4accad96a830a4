#include "app/wizard_app.h"

#include "platform/win32/windows_api.h"

#include <objbase.h>

#include "discovery/discovery.h"
#include "discovery/install_catalogue.h"
#include "journal/recording_platform.h"
#include "platform/win32/win32_machine.h"
#include "ui/dlg_setup.h"

// Both in this one translation unit, in this order: the catalogue is built after the
// application object and destroyed before it.
CWizardApp theApp;
InstallCatalogue theCatalogue;

CWizardApp::CWizardApp() = default;
CWizardApp::~CWizardApp() = default;

bool CWizardApp::InitInstance() {
  // The shell's folder browser needs COM on this thread, in a single-threaded apartment.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

  win32::Machine machine;
  DiscoverHosts(machine.registry, theCatalogue);
  // The installation runs on the recorded machine; what listens to the record is added here.
  journal::FanOut observers;
  journal::RecordingPlatform recording(machine.platform(), observers);
  {
    Dlg_Setup dialog(recording.platform(), machine.messages, theCatalogue);
    dialog.DoModal();
  }
  if (SUCCEEDED(com)) ::CoUninitialize();
  return false;
}

// The process's entry point, ahead of the C runtime's start-up and of every static
// constructor: an elevated program must not load DLLs from its own folder or the current
// directory, where anyone may have put one.
extern "C" int WinMainCRTStartup(void);
extern "C" int VelmarEntry(void) {
  ::SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
  return WinMainCRTStartup();
}
