#pragma once
// The steps after an installation as start-up has them: a first one (the Active Setup
// registration), then the uninstall support, which is also told when the folder is made.
#include "app/install_command.h"

struct InstallSteps : AfterInstall {
  InstallSteps(AfterInstall* first, AfterInstall* support) : first(first), support(support) {}
  void Prepared(plat::Platform& platform, const std::string& folder) override {
    support->Prepared(platform, folder);
  }
  void Abandoned(plat::Platform& platform) override { support->Abandoned(platform); }
  void Run(plat::Platform& platform, const InstallCatalogue& catalogue,
           const ReleaseFlags& flags) override {
    if (first) first->Run(platform, catalogue, flags);
    support->Run(platform, catalogue, flags);
  }
  AfterInstall* first;
  AfterInstall* support;
};
