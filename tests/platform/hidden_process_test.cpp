#include "platform/linux/hidden_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/host_services.h"

namespace mirbo {
namespace {

TEST(HiddenProcess, GivesTheEndOfTheProcessAsItsResult) {
  EXPECT_EQ(RunHiddenProcess({"true"}), CommandResult::Succeeded);
  EXPECT_EQ(RunHiddenProcess({"false"}), CommandResult::Failed);
  EXPECT_EQ(RunHiddenProcess({"sh", "-c", "kill -TERM $$"}), CommandResult::Failed);
  EXPECT_EQ(RunHiddenProcess({"mirbo-no-such-program"}), CommandResult::NotStarted);
  EXPECT_EQ(RunHiddenProcess({"/nonexistent/netsh"}), CommandResult::NotStarted);
  EXPECT_EQ(RunHiddenProcess({}), CommandResult::NotStarted);
}

TEST(HiddenProcess, RunsWithoutTerminalAndWithoutTheProgramsOtherDescriptors) {
  const int inheritable = open("/dev/zero", O_RDONLY);  // deliberately without O_CLOEXEC
  ASSERT_GE(inheritable, 3);
  const std::string check =
      "for fd in 0 1 2; do [ \"$(readlink /proc/$$/fd/$fd)\" = /dev/null ] || exit 1; done; "
      "[ ! -e /proc/$$/fd/" + std::to_string(inheritable) + " ]";
  EXPECT_EQ(RunHiddenProcess({"sh", "-c", check}), CommandResult::Succeeded);
  close(inheritable);
}

TEST(HiddenCommand, RunsALineThatIsNoAddressCommandByItsFirstWord) {
  const auto host = MakeHostServices();
  EXPECT_EQ(host->RunHiddenCommand("sh -c \"exit 0\""), CommandResult::Succeeded);
  EXPECT_EQ(host->RunHiddenCommand("sh -c \"exit 3\""), CommandResult::Failed);
  EXPECT_EQ(host->RunHiddenCommand("netsh interface ip show config"), CommandResult::NotStarted);
}

TEST(HiddenCommand, FailsAnAddressLineForAConnectionThatDoesNotExist) {
  const auto host = MakeHostServices();
  for (const char* line :
       {"netsh interface ip set address \"mirbo-none0\" static 10.0.0.2 255.0.0.0 10.0.0.1 1",
        "netsh interface ip set address \"mirbo-none0\" dhcp",
        "netsh interface ip set address \"a name far too long for an interface\" dhcp"})
    EXPECT_EQ(host->RunHiddenCommand(line), CommandResult::Failed) << line;
}

TEST(ConnectionName, IsTheInterfaceNameAndFailsForAMissingInterface) {
  const auto host = MakeHostServices();
  std::string name;
  EXPECT_TRUE(host->ReadConnectionName("lo", &name));
  EXPECT_EQ(name, "lo");
  EXPECT_FALSE(host->ReadConnectionName("mirbo-none0", &name));
  EXPECT_FALSE(host->ReadConnectionName(std::string(81, 'x'), &name));
}

}  // namespace
}  // namespace mirbo
