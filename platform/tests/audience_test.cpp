// Whether a person can see and answer a window, from the account, the session and the station.
#include "platform/audience.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_audience.h"
#include "platform/sim/sim_codepage.h"
#include "platform/sim/sim_files.h"

namespace plat {
namespace {

TEST(Audience, WhyNoPersonCanAnswer) {
  const sim::Identity admin = sim::Identity::Administrator(), system = sim::Identity::System();
  const struct {
    sim::Identity account;
    int session;  // -1: the system does not tell
    int station;  // 1 visible, 0 not, -1 the system does not tell
    Unseen why;
  } rows[] = {
      {sim::Identity::StandardUser(), 3, 1, Unseen::kSeen},
      {system, 1, 1, Unseen::kSystemAccount},  // SYSTEM even on a user's screen
      {system, 0, 0, Unseen::kSystemAccount},  // a deployment tool's agent
      {admin, 0, 0, Unseen::kSessionZero},     // an administrator's service
      {admin, 2, 0, Unseen::kHiddenStation},
      {admin, -1, 0, Unseen::kHiddenStation},  // one answer missing, another tells
      {admin, -1, 1, Unseen::kNotKnown},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.session << " " << row.station);
    sim::SimCodePage text;
    sim::SimFileSystem files(text);
    files.SetCaller(row.account);
    sim::SimAudience audience;
    audience.session = static_cast<uint32_t>(row.session);
    audience.sessionKnown = row.session >= 0;
    audience.stationVisible = row.station == 1;
    audience.stationKnown = row.station >= 0;
    EXPECT_EQ(WhyUnseen(files, audience), row.why);
  }
}

}  // namespace
}  // namespace plat
