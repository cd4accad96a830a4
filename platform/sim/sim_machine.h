#pragma once
// A whole simulated Windows machine: registry, files (by name and through checked handles),
// processes, message boxes, code page, clock and who could see its windows.
#include "platform/platform.h"
#include "platform/sim/sim_audience.h"
#include "platform/sim/scripted_message_boxes.h"
#include "platform/sim/sim_clock.h"
#include "platform/sim/sim_checked_files.h"
#include "platform/sim/sim_codepage.h"
#include "platform/sim/sim_files.h"
#include "platform/sim/sim_processes.h"
#include "platform/sim/sim_registry.h"

namespace sim {

class Machine {
 public:
  Machine()
      : registry(text),
        files(text),
        checked(files),
        processes(&files),
        platform_{registry, files, processes, messages, text, checked} {
    registry.UseStopSwitch(&stop);
    files.UseStopSwitch(&stop);
  }
  plat::Platform& platform() { return platform_; }

  SimCodePage text;
  SimRegistry registry;
  SimFileSystem files;
  SimCheckedFiles checked;
  SimProcesses processes;
  ScriptedMessageBoxes messages;
  StopSwitch stop;  // stops the program after a number of writes; unarmed at first
  // Beside the platform: what only start-up uses.
  SimClock clock;
  SimAudience audience;

 private:
  plat::Platform platform_;
};

}  // namespace sim
