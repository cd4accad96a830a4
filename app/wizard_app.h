#pragma once
// The application object: finds the installed hosts before any window exists, then runs the
// setup dialog until it ends. The program has no message loop of its own.
#include "ui/dialog_layer.h"

class CWizardApp : public ui::Application {
 public:
  CWizardApp();
  ~CWizardApp() override;

 protected:
  // Always false: when the dialog has ended, so has the program.
  bool InitInstance() override;
};

extern CWizardApp theApp;
