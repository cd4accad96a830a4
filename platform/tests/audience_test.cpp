// Whether a person can see and answer a window, from the account, the session and the station.
#include "platform/audience.h"

#include <gtest/gtest.h>

#include "platform/sim/sim_audience.h"
#include "platform/sim/sim_codepage.h"
#include "platform/sim/sim_files.h"

namespace plat {
namespace {

TEST(Audience, WhyNoPersonCanAnswer) {
  const struct {
    const char* what;
    sim::Identity account;
    uint32_t session;  // 99: the system does not tell
    int station;       // 1 visible, 0 not, -1 the system does not tell
    Unseen why;
  } rows[] = {
      {"a user's program", sim::Identity::Administrator(), 1, 1, Unseen::kSeen},
      {"a standard user in a later session", sim::Identity::StandardUser(), 3, 1, Unseen::kSeen},
      {"SYSTEM on a user's screen", sim::Identity::System(), 1, 1, Unseen::kSystemAccount},
      {"a deployment tool's agent", sim::Identity::System(), 0, 0, Unseen::kSystemAccount},
      {"an administrator's service", sim::Identity::Administrator(), 0, 0, Unseen::kSessionZero},
      {"a station of its own", sim::Identity::Administrator(), 2, 0, Unseen::kHiddenStation},
      {"session untold, station hidden", sim::Identity::Administrator(), 99, 0,
       Unseen::kHiddenStation},
      {"session untold", sim::Identity::Administrator(), 99, 1, Unseen::kNotKnown},
      {"station untold", sim::Identity::StandardUser(), 1, -1, Unseen::kNotKnown},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.what);
    sim::SimCodePage text;
    sim::SimFileSystem files(text);
    files.SetCaller(row.account);
    sim::SimAudience audience;
    audience.session = row.session;
    audience.sessionKnown = row.session != 99;
    audience.stationVisible = row.station == 1;
    audience.stationKnown = row.station != -1;
    EXPECT_EQ(WhyUnseen(files, audience), row.why);
    EXPECT_EQ(*DescribeUnseen(row.why) == '\0', row.why == Unseen::kSeen);
  }
}

}  // namespace
}  // namespace plat
