#include "hostnet/address_commands.h"

namespace mirbo {
namespace {

struct CommandTexts {
  const char* tail;        // what follows the quoted connection name
  const char* before;      // appended before the command runs, or empty
  const char* not_started; // appended when the command cannot be started
};

constexpr char kLineHead[] = "netsh interface ip set address \"";
constexpr char kConfiguringText[] = "正在配置本机IP地址信息，请稍候...\n";
constexpr char kCommandFailedText[] =
    "网络设置未成功，请以管理员权限运行本工具并确认所选网卡存在。\n";

CommandTexts TextsOf(AddressCommand command) {
  switch (command) {
    case AddressCommand::BootLoaderAddress:
      return {"\" static 192.168.1.88 255.255.255.0 192.168.1.1 1", kConfiguringText,
              "设置错误，请重试，或与版主反馈！\n"};
    case AddressCommand::RouterAddress:
      return {"\" static 192.168.199.88 255.255.255.0 192.168.1.1 1", "",
              "设置地址错误，请与版主反馈！\n"};
    case AddressCommand::DhcpAddress:
      return {"\" dhcp", "", "还原设置错误，请与版主反馈！\n"};
  }
  return {"", "", ""};
}

}  // namespace

std::string AddressCommandLine(AddressCommand command, const std::string& connection_name) {
  return kLineHead + connection_name + TextsOf(command).tail;
}

bool RunAddressCommand(HostServices& host, OutputLog& output, AddressCommand command,
                       const std::string& connection_name) {
  const CommandTexts texts = TextsOf(command);
  output.AppendOutput(texts.before);
  switch (host.RunHiddenCommand(AddressCommandLine(command, connection_name))) {
    case CommandResult::NotStarted:
      output.AppendOutput(texts.not_started);
      return false;
    case CommandResult::Failed:
      // Without this the operator would wait for a router that cannot reach the PC.
      output.AppendOutput(kCommandFailedText);
      return true;
    case CommandResult::Succeeded:
      return true;
  }
  return true;
}

}  // namespace mirbo
