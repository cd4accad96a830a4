#include "platform/sim/sim_audience.h"
#include "platform/sim/sim_machine.h"
#include "platform/sim/sim_progress.h"
#include "tests/contract/contract_machine.h"

namespace contract {
namespace {

class SimProgressProbe : public ProgressProbe {
 public:
  plat::ProgressSink& sink() override { return bar_; }
  bool ready() const override { return true; }
  int Pos() override { return bar_.pos; }

 private:
  sim::RecordingProgress bar_;
};

}  // namespace

std::unique_ptr<ProgressProbe> ProgressProbe::Create() {
  return std::make_unique<SimProgressProbe>();
}

void SetEnvironment(TestMachine& machine, const std::string& name, const std::string& value) {
  machine.simulated()->files.SetEnvironment(name, value);
}

bool MakeHardLink(TestMachine& machine, const std::string& path, const std::string& existing) {
  return machine.simulated()->files.MakeHardLink(path, existing);
}

bool Allows(TestMachine& machine, const plat::Descriptor& descriptor, uint32_t rights) {
  return sim::Allows(descriptor, machine.simulated()->files.caller(), rights);
}

void UnsetEnvironment(TestMachine& machine, const std::string& name) {
  machine.simulated()->files.UnsetEnvironment(name);
}

std::unique_ptr<plat::Clock> NewClock() { return std::make_unique<sim::SimClock>(); }

std::unique_ptr<plat::Audience> NewAudience() { return std::make_unique<sim::SimAudience>(); }

bool OnStationOfItsOwn(plat::Audience& audience, const std::function<void()>& check) {
  static_cast<sim::SimAudience&>(audience).stationVisible = false;
  check();
  return true;
}

bool UnderWine() { return false; }
bool UnderWineAsUnixRoot() { return false; }

}  // namespace contract
