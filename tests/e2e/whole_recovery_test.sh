#!/usr/bin/env bash
# A whole recovery of a simulated router by the real program, in network
# namespaces of its own (scripts/simulated_router.sh): the boot loader fetches
# the image with a real TFTP client, the router restarts onto its own network
# and serves DHCP with dnsmasq, and the program reports success.
#
#   whole_recovery_test.sh PROGRAM CASE IMAGE_FILE STAND_IN(0|1)
#
# CASE is one of
#   first-transfer   the first request gets the whole image
#   after-failure    a first transfer stops mid-way; the next request gets the
#                    whole image from block 1
# IMAGE_FILE holds the bytes the build embedded. Passes when the operator saw
# the texts of a recovery in their order, the image arrived byte for byte and
# the PC's connection is back on DHCP with an address the router leased.
# Skips (77) when not run as root.
set -Eeuo pipefail
shopt -s extglob

program=$(realpath "${1:?usage: whole_recovery_test.sh PROGRAM CASE IMAGE_FILE STAND_IN}")
case_name=${2:?}
image_file=${3:?}
stand_in=${4:?}
[ "$(id -u)" -eq 0 ] || { echo "SKIP: network namespaces need root"; exit 77; }

# Whatever window the program may bring, it runs headless here.
export QT_QPA_PLATFORM=offscreen

# shellcheck source-path=SCRIPTDIR/../.. source=scripts/simulated_router.sh
source "$(dirname "$0")/../../scripts/simulated_router.sh"

readonly kStandInWarning='警告：本程序内置的是测试用替代镜像，不是Mirbo出厂固件，切勿用于真实路由器！'$'\n'
readonly kListingHeader='当前可用网卡如下，请正确选择所使用的网卡：'$'\n'
readonly kListingLine=$'\t1: eth0 (0.0.0.0)\n'
readonly kOnlyOneAdapter='仅有一块可用网卡，即将自动选择此网卡。'$'\n'
readonly kConfiguring='正在配置本机IP地址信息，请稍候...'$'\n'
readonly kCableInstruction='请使用网线连接电脑的以太网口和Mirbo的一个黄色网口'$'\n'
readonly kPowerInstruction='请使用尖锐物按住RST按钮不松开再将Mirbo电源插上...'$'\n'
readonly kReleaseButton='此时可以松开按钮，请保持Mirbo不断电'$'\n'
readonly kStartSending='开始传送固件...'$'\n'
readonly kTransferFailed='固件传送错误，请重试！'$'\n'
readonly kFlashing=$'\n''烧录Flash中，务必保持Mirbo不断电'$'\n'
readonly kPoweringUp=$'\n''上电初始化中'
readonly kSuccess=$'\n'"$kSimSuccessText"$'\n'
readonly kRecoverySeconds=120

Fail() {
  trap - ERR
  echo "FAIL: $*" >&2
  if [ -n "$sim_log" ] && [ -f "$sim_log" ]; then
    echo "--- program output" >&2; cat "$sim_log" >&2; echo >&2
    echo "--- program errors" >&2; cat "$sim_work/program.stderr" >&2
  fi
  [ -f "$sim_work/dnsmasq.log" ] && { echo "--- dnsmasq" >&2; cat "$sim_work/dnsmasq.log" >&2; }
  [ -n "$sim_pc_inode" ] && { echo "--- PC addresses" >&2; sim_pc_addresses >&2; }
  exit 1
}

trap sim_cleanup EXIT
trap 'exit 143' INT TERM
trap 'Fail "line $LINENO: $BASH_COMMAND"' ERR

# The expected output is built as a glob pattern in $pattern.
AddLiteral() {
  local text=$1 c
  text=${text//\\/\\\\}
  for c in '*' '?' '[' ']' '(' ')' '|' '@' '!' '+'; do text=${text//"$c"/\\$c}; done
  pattern+=$text
}

# The marks of a transfer that had BLOCKS blocks acknowledged, into $marks:
# one per 200 blocks, a line of 61 every 12,002 blocks.
ProgressMarks() {
  local blocks=$1 counter=0 block
  marks=
  for ((block = 1; block <= blocks; block++)); do
    if ((counter > 12000)); then
      counter=0
      marks+=$'#\n'
    else
      counter=$((counter + 1))
      if ((counter % 200 == 0)); then marks+='#'; fi
    fi
  done
}

# The whole output of a recovery: dots only where the router waits put them,
# and for a transfer that failed any number of marks.
ExpectOutput() {
  local failed_first=$1 size
  size=$(stat -c %s "$image_file")
  ProgressMarks $(((size + 511) / 512))
  pattern=
  if [ "$stand_in" = 1 ]; then AddLiteral "$kStandInWarning"; fi
  AddLiteral "$kListingHeader$kListingLine$kOnlyOneAdapter$kConfiguring"
  AddLiteral "$kCableInstruction$kPowerInstruction"
  if [ "$failed_first" = 1 ]; then
    AddLiteral "$kReleaseButton$kStartSending"
    pattern+='*(#)'
    AddLiteral "$kTransferFailed"
  fi
  AddLiteral "$kReleaseButton$kStartSending$marks$kFlashing"
  pattern+='*(.)'
  AddLiteral "$kPoweringUp"
  pattern+='*(.)'
  AddLiteral "$kSuccess"
}

CheckOutput() {
  local output=
  IFS= read -r -d '' output <"$sim_log" || true
  ExpectOutput "$1"
  # shellcheck disable=SC2053  # the right side is a pattern on purpose
  [[ $output == $pattern ]] || Fail "the program's texts are not those of a recovery, in order"
}

CheckBackOnDhcp() {
  local addresses
  addresses=$(sim_pc_addresses)
  [ "$(wc -l <<<"$addresses")" -eq 1 ] || Fail "eth0 has not one IPv4 address but: $addresses"
  sim_leased_by_router "${addresses%/*}" || Fail "eth0 has $addresses, not an address the router leased"
  # The static lines route through 192.168.1.1; DHCP leaves none of that.
  ! ip -n "$sim_pc" -4 route show | grep -qF 'via 192.168.1.1 ' ||
    Fail "a static route is left: $(ip -n "$sim_pc" -4 route show)"
}

sim_setup
sim_start_program "$program"
sim_await_pc_address || Fail "no boot loader address on the PC"
case $case_name in
  first-transfer) failed_first=0 ;;
  after-failure)
    failed_first=1
    sim_fetch_cut_short || Fail "the first transfer did not stop mid-way"
    sim_await_text "${kTransferFailed%$'\n'}" 30 || Fail "no failure text after the transfer stopped"
    ;;
  *) Fail "unknown case $case_name" ;;
esac
sim_fetch_image "$sim_work/received.bin" || Fail "the boot loader got no image"
cmp "$image_file" "$sim_work/received.bin" || Fail "the image did not arrive byte for byte"
sim_restart
sim_await_text "$kSimSuccessText" "$kRecoverySeconds" || Fail "no success within $kRecoverySeconds s"
CheckOutput "$failed_first"
CheckBackOnDhcp
cat "$sim_log"
echo "PASS: $(sim_pc_addresses) leased, image byte for byte, texts in order"
