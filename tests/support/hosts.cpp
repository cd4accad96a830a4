#include "tests/support/hosts.h"

#include "tests/support/test_machine.h"

namespace hosts {

void SeedOnSecondDrive(sim::Machine& m, const std::string& productKey,
                       const std::string& location) {
  const sim::Identity was = m.files.caller();
  m.files.SetCaller(sim::Identity::Administrator());
  m.files.AddDrive('D');
  m.files.MakeFolders(location + "\\Fonts");
  m.files.MakeFolders(location + "\\Drv");
  m.files.SetCaller(was);
  regtest::SetString(m.registry, plat::kHkeyLocalMachine, productKey, "AcadLocation", location);
  regtest::SetString(m.registry, plat::kHkeyLocalMachine, productKey, "ProductName",
                     "AutoCAD - 简体中文");
}

}  // namespace hosts
