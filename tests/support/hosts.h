#pragma once
// AutoCAD installed by its own installer, an administrator, on a second drive of the simulated
// machine: the release's key names the folder, made with Fonts and Drv below D:\, so that it
// carries what D:\ passes on and every signed-in user may change what is in it.
#include <string>

#include "platform/sim/sim_machine.h"

namespace hosts {

constexpr char kSecondDrive2020[] = "D:\\Program Files\\Autodesk\\AutoCAD 2020";

void SeedOnSecondDrive(sim::Machine& m, const std::string& productKey,
                       const std::string& location = kSecondDrive2020);

}  // namespace hosts
