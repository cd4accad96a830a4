#pragma once
// What the contract suite needs beyond TestMachine, per machine: a progress bar to drive and
// read back, the process environment, and which implementation of the API answers.
#include <functional>
#include <memory>
#include <string>

#include "platform/audience.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/progress_sink.h"
#include "tests/support/test_machine.h"

namespace contract {

class ProgressProbe {
 public:
  // Natively a sim::RecordingProgress; on Windows a real msctls_progress32 in a hidden window.
  static std::unique_ptr<ProgressProbe> Create();
  virtual ~ProgressProbe() = default;
  virtual plat::ProgressSink& sink() = 0;
  // False when the bar could not be made (on Windows: no window station, e.g. no DISPLAY).
  virtual bool ready() const = 0;
  virtual int Pos() = 0;  // the position as the bar itself reports it
};

void SetEnvironment(TestMachine& machine, const std::string& name, const std::string& value);
void UnsetEnvironment(TestMachine& machine, const std::string& name);

// The machine's clock (natively sim::SimClock).
std::unique_ptr<plat::Clock> NewClock();
// Who could see this process's windows (natively sim::SimAudience); check run with the process
// on a window station of its own making, as a service's is (false: none could be made).
std::unique_ptr<plat::Audience> NewAudience();
bool OnStationOfItsOwn(plat::Audience& audience, const std::function<void()>& check);

// Whether the running account may have these rights on an object of this descriptor: the
// simulated machine's own check of its caller, or Windows' AccessCheck with the process's token.
bool Allows(TestMachine& machine, const plat::Descriptor& descriptor, uint32_t rights);

// A second name for an existing file (CreateHardLinkA; natively the simulated machine's).
bool MakeHardLink(TestMachine& machine, const std::string& path, const std::string& existing);

// The Wine that runs the Windows build (not Windows, not the simulated machine).
bool UnderWine();
// Wine run by the Unix superuser, who writes to files whose write bits are cleared.
bool UnderWineAsUnixRoot();

}  // namespace contract
