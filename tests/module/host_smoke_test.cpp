// The reference host with the real module: it loads, binds, builds its menu, runs a command
// chosen from the menu, gives back every list and every reference.
#include <gtest/gtest.h>

#include "host/host.h"

using namespace zvhost;

namespace {

TEST(HostSmoke, LoadsBindsAndGivesEveryReferenceBack) {
  Host host;
  ASSERT_TRUE(host.Start()) << host.LastError() << " (" << host.ModulePath() << ")";
  EXPECT_TRUE(host.Bound());
  EXPECT_EQ(host.RecordedClientModule(), host.ModuleHandle());
  EXPECT_TRUE(host.Lists().tracked) << "the host watches the module's task-free function";
  host.Stop();
  EXPECT_TRUE(host.AuditReferences().AllBack()) << host.AuditReferences().ToString();
  EXPECT_TRUE(host.Problems().empty()) << host.Problems().front();
}

}  // namespace
