#!/bin/bash
# Real TFTP clients from Debian against tftp-serve on loopback.
#
#   real_clients_test.sh SERVE CASE [EMBEDDED_IMAGE_FILE]
#
# SERVE is the tftp-serve program. CASE is one of
#   fetch-tftp-hpa fetch-curl fetch-atftp fetch-busybox   the image under any name
#   fetch-embedded                                        the built-in image, tftp-hpa
#   upload-tftp-hpa upload-curl                           files of 0 B to a few MB
# EMBEDDED_IMAGE_FILE (fetch-embedded only) holds the bytes the build embedded.
set -Eeuo pipefail

serve=${1:?usage: real_clients_test.sh SERVE CASE [EMBEDDED_IMAGE_FILE]}
case_name=${2:?usage: real_clients_test.sh SERVE CASE [EMBEDDED_IMAGE_FILE]}
embedded_image_file=${3:-}

readonly kReadyText='请使用尖锐物按住RST按钮不松开再将Mirbo电源插上...'
readonly kBindFailText='出现错误，请关闭其它TFTP工具！'
readonly kClientTimeout=60
readonly kNames=("firmware.bin" "any/other/name" "UPPER case.IMG")
# Not a multiple of 512 (short last block), and a multiple (empty last block).
readonly kImageSizes=(1234567 65536)
readonly kUploadSizes=(0 1000 1024 3000000)

scratch=$(mktemp -d /tmp/mirbo-clients.XXXXXX)
server_pid=""

StopServer() {
  if [[ -n $server_pid ]]; then
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    server_pid=""
  fi
}
Cleanup() {
  StopServer
  rm -rf "$scratch"
}
trap Cleanup EXIT
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR

Fail() {
  echo "FAIL: $*" >&2
  if [[ -f $scratch/server.log ]]; then
    echo "--- tftp-serve output (last lines) ---" >&2
    tail -n 20 "$scratch/server.log" >&2
  fi
  exit 1
}

RequireTool() {
  command -v "$1" >/dev/null || Fail "$1 is not installed (package $2)"
}

# Distinct bytes in every 512-byte block, so a block sent twice or skipped
# changes the digest.
MakeFile() {
  local path=$1 size=$2
  { seq 1 $((size / 2 + 1)) || true; } | head -c "$size" >"$path"
  [[ $(stat -c %s "$path") == "$size" ]] || Fail "could not make a $size-byte file"
}

Sha() { sha256sum "$1" | cut -d' ' -f1; }

# Starts tftp-serve in a fresh working directory on a free loopback port and
# sets server_pid, port and served_dir. A port held by someone else makes the
# server report the bind failure; then another port is tried. The ports lie
# above the system's range for port 0 (up to 60999) and apart from the ports
# the unit tests pick (below 32768), so tests running beside don't collide.
StartServer() {
  local attempt
  StopServer
  served_dir=$scratch/served.$RANDOM
  mkdir -p "$served_dir"
  for attempt in 1 2 3 4 5 6 7 8; do
    port=$((61000 + RANDOM % 2000))
    local transfer_port=$((63000 + RANDOM % 2000))
    (cd "$served_dir" && exec "$serve" --port "$port" --first-transfer-port "$transfer_port" \
      --pause-ms 0 "$@") >"$scratch/server.log" 2>&1 &
    server_pid=$!
    if WaitUntilReady; then return 0; fi
    StopServer
  done
  Fail "tftp-serve did not start listening on any of 8 ports"
}

# True once the listener has bound its port; false when it could not.
WaitUntilReady() {
  local deadline=$((SECONDS + 10))
  while ((SECONDS < deadline)); do
    grep -qF "$kReadyText" "$scratch/server.log" && return 0
    grep -qF "$kBindFailText" "$scratch/server.log" && return 1
    kill -0 "$server_pid" 2>/dev/null || return 1
    sleep 0.05
  done
  Fail "tftp-serve showed no instructions within 10 s"
}

ExpectServerAlive() {
  kill -0 "$server_pid" 2>/dev/null || Fail "tftp-serve ended during the transfers"
}

# Fetch NAME from the server with CLIENT into OUT.
Fetch() {
  local client=$1 name=$2 out=$3
  case $client in
    tftp-hpa) timeout "$kClientTimeout" tftp -m binary 127.0.0.1 "$port" -c get "$name" "$out" ;;
    curl) timeout "$kClientTimeout" curl --tftp-no-options --silent --show-error \
            -o "$out" "tftp://127.0.0.1:$port/$(UrlPath "$name")" ;;
    atftp) timeout "$kClientTimeout" atftp --get --remote-file "$name" --local-file "$out" \
             127.0.0.1 "$port" ;;
    busybox) timeout "$kClientTimeout" busybox tftp -g -r "$name" -l "$out" 127.0.0.1 "$port" ;;
  esac
}

# Upload FILE as NAME with CLIENT.
Upload() {
  local client=$1 file=$2 name=$3
  case $client in
    tftp-hpa) timeout "$kClientTimeout" tftp -m binary 127.0.0.1 "$port" -c put "$file" "$name" ;;
    curl) timeout "$kClientTimeout" curl --tftp-no-options --silent --show-error \
            -T "$file" "tftp://127.0.0.1:$port/$name" ;;
  esac
}

UrlPath() { printf '%s' "$1" | sed 's/ /%20/g'; }

FetchImageUnderAnyName() {
  local client=$1 size name out
  for size in "${kImageSizes[@]}"; do
    MakeFile "$scratch/image-$size" "$size"
    StartServer --image "$scratch/image-$size"
    for name in "${kNames[@]}"; do
      out=$scratch/fetched
      rm -f "$out"
      Fetch "$client" "$name" "$out" || Fail "$client could not fetch \"$name\" ($size-byte image)"
      [[ $(Sha "$out") == $(Sha "$scratch/image-$size") ]] ||
        Fail "$client got \"$name\" as $(stat -c %s "$out") bytes that differ from the $size-byte image"
    done
    ExpectServerAlive
  done
}

FetchEmbeddedImage() {
  [[ -f $embedded_image_file ]] || Fail "the embedded image's file is missing: $embedded_image_file"
  StartServer
  Fetch tftp-hpa "firmware.bin" "$scratch/fetched" || Fail "tftp-hpa could not fetch the built-in image"
  [[ $(Sha "$scratch/fetched") == $(Sha "$embedded_image_file") ]] ||
    Fail "the built-in image arrived as $(stat -c %s "$scratch/fetched") differing bytes"
  ExpectServerAlive
}

# The client ends when the last ACK arrives; the server may close the file a
# moment later, so wait (bounded) for the whole size before comparing.
WaitForStoredSize() {
  local path=$1 size=$2 deadline=$((SECONDS + 10))
  while ((SECONDS < deadline)); do
    [[ -f $path && $(stat -c %s "$path") == "$size" ]] && return 0
    sleep 0.05
  done
  return 1
}

UploadsArriveByteForByte() {
  local client=$1 size name stored
  StartServer --image "$scratch/image-upload-run"
  for size in "${kUploadSizes[@]}"; do
    MakeFile "$scratch/upload-$size" "$size"
    name=from-$client-$size.bin
    stored=$served_dir/$name
    Upload "$client" "$scratch/upload-$size" "$name" || Fail "$client could not upload $size bytes"
    WaitForStoredSize "$stored" "$size" ||
      Fail "$client's $size-byte upload is stored as $(stat -c %s "$stored" 2>/dev/null || echo no) bytes"
    [[ $(Sha "$stored") == $(Sha "$scratch/upload-$size") ]] ||
      Fail "$client's $size-byte upload is stored with different bytes"
  done
  ExpectServerAlive
}

[[ -x $serve ]] || Fail "no tftp-serve program at $serve"
RequireTool sha256sum coreutils
case $case_name in
  fetch-tftp-hpa|upload-tftp-hpa|fetch-embedded) RequireTool tftp tftp-hpa ;;
  fetch-curl|upload-curl) RequireTool curl curl ;;
  fetch-atftp) RequireTool atftp atftp ;;
  fetch-busybox) RequireTool busybox busybox ;;
esac

case $case_name in
  fetch-tftp-hpa) FetchImageUnderAnyName tftp-hpa ;;
  fetch-curl) FetchImageUnderAnyName curl ;;
  fetch-atftp) FetchImageUnderAnyName atftp ;;
  fetch-busybox) FetchImageUnderAnyName busybox ;;
  fetch-embedded) FetchEmbeddedImage ;;
  upload-tftp-hpa) MakeFile "$scratch/image-upload-run" 1000; UploadsArriveByteForByte tftp-hpa ;;
  upload-curl) MakeFile "$scratch/image-upload-run" 1000; UploadsArriveByteForByte curl ;;
  *) Fail "unknown case $case_name" ;;
esac
echo "PASS: $case_name"
