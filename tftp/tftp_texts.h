#pragma once

namespace mirbo {

// ERROR texts sent to the TFTP peer, ASCII, spelled as the boot loaders have
// always seen them.
inline constexpr char kSocketErrorText[] = "SOCKET error!";
inline constexpr char kSendDataFailText[] = "Send data fail!";
inline constexpr char kRecvFileFailText[] = "Recv file fail!";
inline constexpr char kRecvDataFailText[] = "Recv data fail!";
inline constexpr char kRecvAckTimeoutText[] = "Recv ack timeout!";
inline constexpr char kRecvAckFailText[] = "Recv ack fail!";
inline constexpr char kUnknowErrorText[] = "Unknow error!";
inline constexpr char kClientErrorText[] = "Client error!";
inline constexpr char kAckFileFailText[] = "Ack file fail?";
inline constexpr char kCanNotFindFileText[] = "Can not find file!";
inline constexpr char kSendFileFailText[] = "Send file fail!";
inline constexpr char kAckErrorText[] = "Ack error!";
inline constexpr char kWriteFileErrorText[] = "Write file error!";

// Operator texts of the listener.
inline constexpr char kBindFailedText[] = "出现错误，请关闭其它TFTP工具！\n";
inline constexpr char kCableInstructionText[] = "请使用网线连接电脑的以太网口和Mirbo的一个黄色网口\n";
inline constexpr char kPowerInstructionText[] = "请使用尖锐物按住RST按钮不松开再将Mirbo电源插上...\n";

// Operator texts of the image transfer.
inline constexpr char kReleaseButtonText[] = "此时可以松开按钮，请保持Mirbo不断电\n";
inline constexpr char kStartSendingText[] = "开始传送固件...\n";
inline constexpr char kFlashingText[] = "\n烧录Flash中，务必保持Mirbo不断电\n";
inline constexpr char kTransferFailedText[] = "固件传送错误，请重试！\n";
inline constexpr char kProgressMark[] = "#";
inline constexpr char kProgressLineEnd[] = "#\n";

}  // namespace mirbo
