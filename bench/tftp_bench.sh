#!/bin/bash
# Serves the image with tftp-serve and with tftpd-hpa (every option refused, so
# it too answers with DATA 1), each in a network namespace of its own, to the
# tftp-hpa client and to curl, interleaved, and compares time and server CPU.
# Also measures tftp-serve's peak RSS with 1 and with 8 transfers at once.
#
#   bench/tftp_bench.sh --serve PROGRAM --image FILE [--pairs N] [--results FILE]
#
# PROGRAM is tftp-serve; it serves its built-in image, and FILE must hold the
# same bytes (the build's MIRBO_IMAGE_FILE): tftpd-hpa serves FILE and every
# fetched copy is checked against it. --results keeps every measured transfer
# (case, client, server, wall s, server CPU µs). Runs as root. The last line reads
# "wall ratio X cpu ratio Y": ours / tftpd-hpa, both ends on one CPU.
set -Eeuo pipefail

readonly kReadyText='请使用尖锐物按住RST按钮不松开再将Mirbo电源插上...'
readonly kServerCpu=0
readonly kClients=(tftp-hpa curl)
readonly kConcurrentTransfers=8
readonly kClientTimeout=120

serve="" image="" pairs=9 results_copy=""
while (($#)); do
  case $1 in
    --serve) serve=$2; shift 2 ;;
    --image) image=$2; shift 2 ;;
    --pairs) pairs=$2; shift 2 ;;
    --results) results_copy=$2; shift 2 ;;
    *) echo "usage: tftp_bench.sh --serve PROGRAM --image FILE [--pairs N] [--results FILE]" >&2; exit 2 ;;
  esac
done

Fail() {
  echo "FAIL: $*" >&2
  exit 1
}

work=$(mktemp -d /tmp/mirbo-bench.XXXXXX)
ns_ours=mirbo-bench-ours-$$
ns_hpa=mirbo-bench-hpa-$$
declare -A server_pid=() cgroup=() idle_tasks=()
cgroup_kind=""

StopServer() {
  local name=$1 pid=${server_pid[$1]:-}
  [[ -n $pid ]] || return 0
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  server_pid[$name]=""
}
Cleanup() {
  local name
  for name in "${!server_pid[@]}"; do StopServer "$name"; done
  for name in "${!cgroup[@]}"; do rmdir "${cgroup[$name]}" 2>/dev/null || true; done
  ip netns del "$ns_ours" 2>/dev/null || true
  ip netns del "$ns_hpa" 2>/dev/null || true
  rm -rf "$work"
}
trap Cleanup EXIT
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR

CheckSetup() {
  ((EUID == 0)) || Fail "run as root (network namespaces, port 69)"
  [[ -x $serve ]] || Fail "no tftp-serve program at '$serve' (--serve)"
  [[ -f $image ]] || Fail "no image file at '$image' (--image)"
  ((pairs >= 1)) || Fail "--pairs must be at least 1"
  serve=$(realpath "$serve")
  local tool
  for tool in ip taskset in.tftpd tftp curl sha256sum ps; do
    command -v "$tool" >/dev/null || Fail "$tool is missing (apt-get install iproute2 util-linux tftpd-hpa tftp-hpa curl procps)"
  done
  (($(nproc) >= 2)) || Fail "the split case needs two CPUs"
  image_sha=$(sha256sum "$image" | cut -d' ' -f1)
  image_size=$(stat -c %s "$image")
}

# --- server CPU accounting: a cgroup per server ---
# /proc of the server would not do: tftpd-hpa's per-transfer children are
# reaped without their times reaching the parent's cutime.

FindCgroupRoot() {
  local root
  root=$(awk '$3 == "cgroup2" { print $2; exit }' /proc/self/mounts)
  if [[ -n $root && -w $root ]]; then cgroup_kind=v2; cgroup_root=$root; return; fi
  root=$(awk '$3 == "cgroup" && $4 ~ /(^|,)cpuacct(,|$)/ { print $2; exit }' /proc/self/mounts)
  if [[ -n $root && -w $root ]]; then cgroup_kind=v1; cgroup_root=$root; return; fi
  Fail "no writable cgroup2 or cgroup v1 cpuacct mount to account server CPU in"
}

MakeCgroup() {
  local name=$1
  cgroup[$name]=$cgroup_root/mirbo-bench-$name-$$
  mkdir "${cgroup[$name]}"
}

# CPU time in microseconds that the server and all it started have used.
ServerCpuUsec() {
  local name=$1
  case $cgroup_kind in
    v2) awk '$1 == "usage_usec" { print $2 }' "${cgroup[$name]}/cpu.stat" ;;
    v1) echo $(($(cat "${cgroup[$name]}/cpuacct.usage") / 1000)) ;;
  esac
}

# Threads of the server plus its child processes (tftpd-hpa forks one per transfer).
ServerTasks() {
  local pid=${server_pid[$1]}
  echo $(($(ls "/proc/$pid/task" | wc -l) + $({ ps -o pid= --ppid "$pid" || true; } | wc -l)))
}

# Waits until every transfer of the server has ended, so that its CPU is counted.
WaitServerIdle() {
  local name=$1 deadline=$((SECONDS + 10))
  while (($(ServerTasks "$name") > ${idle_tasks[$name]})); do
    ((SECONDS < deadline)) || Fail "$name still runs a transfer 10 s after its client ended"
    sleep 0.01
  done
}

# --- namespaces and servers ---

MakeNamespace() {
  ip netns add "$1"
  ip -n "$1" link set lo up
}

# Starts NAME's server in namespace NS, in its cgroup, pinned to kServerCpu.
StartServer() {
  local name=$1 ns=$2 dir=$3
  shift 3
  (
    [[ -n ${cgroup[$name]:-} ]] && echo "$BASHPID" >"${cgroup[$name]}/cgroup.procs"
    cd "$dir"
    exec ip netns exec "$ns" taskset -c "$kServerCpu" "$@"
  ) >"$work/$name.log" 2>&1 &
  server_pid[$name]=$!
}

WaitUntil() {
  local what=$1 name=$2
  shift 2
  local deadline=$((SECONDS + 15))
  until "$@"; do
    kill -0 "${server_pid[$name]}" 2>/dev/null || Fail "$what: the server ended: $(tail -n 5 "$work/$name.log")"
    ((SECONDS < deadline)) || Fail "$what: not ready within 15 s"
    sleep 0.05
  done
}

OursReady() { grep -qF "$kReadyText" "$work/$1.log"; }
PortBound() { ip netns exec "$1" ss -Hlun 'sport = :69' | grep -q .; }

StartOurs() {
  local name=$1
  mkdir -p "$work/$name-cwd"
  StartServer "$name" "$ns_ours" "$work/$name-cwd" "$serve" --pause-ms 0
  WaitUntil "tftp-serve" "$name" OursReady "$name"
  idle_tasks[$name]=$(ServerTasks "$name")
}

StartTftpdHpa() {
  mkdir -p "$work/hpa-root"
  cp "$image" "$work/hpa-root/firmware.bin"
  chmod 755 "$work/hpa-root"
  chmod 644 "$work/hpa-root/firmware.bin"
  StartServer hpa "$ns_hpa" "$work" in.tftpd -L -a :69 -s "$work/hpa-root" \
    -r blksize -r blksize2 -r tsize -r timeout -r utimeout -r rollover
  WaitUntil "in.tftpd" hpa PortBound "$ns_hpa"
  idle_tasks[hpa]=$(ServerTasks hpa)
}

# --- clients ---

# Sets client_command to fetch the image with CLIENT into OUT.
SetClientCommand() {
  local client=$1 out=$2
  case $client in
    tftp-hpa) client_command=(tftp -m binary 127.0.0.1 69 -c get firmware.bin "$out") ;;
    curl) client_command=(curl --tftp-no-options --silent --show-error -o "$out" tftp://127.0.0.1/firmware.bin) ;;
  esac
}

# Fetches the image once with CLIENT on CPU inside NS; prints the wall time in
# seconds, measured inside the namespace around the client alone.
TimedFetch() {
  local ns=$1 cpu=$2 client=$3 out=$work/fetched.$client
  rm -f "$out"
  local times client_command
  SetClientCommand "$client" "$out"
  times=$(timeout "$kClientTimeout" ip netns exec "$ns" taskset -c "$cpu" bash -c \
    's=$EPOCHREALTIME; "$@" >/dev/null || exit 1; e=$EPOCHREALTIME; echo "$s $e"' _ "${client_command[@]}") ||
    Fail "$client could not fetch the image in $ns"
  [[ $(sha256sum "$out" | cut -d' ' -f1) == "$image_sha" ]] ||
    Fail "$client got $(stat -c %s "$out") bytes from $ns that differ from the image"
  awk '{ printf "%.6f\n", $2 - $1 }' <<<"$times"
}

# One measured transfer: wall time and the server's CPU for it, appended to results.
Measure() {
  local mode=$1 cpu=$2 client=$3 name=$4 ns=$5
  local before after wall
  WaitServerIdle "$name"
  before=$(ServerCpuUsec "$name")
  wall=$(TimedFetch "$ns" "$cpu" "$client")
  WaitServerIdle "$name"
  after=$(ServerCpuUsec "$name")
  echo "$mode $client $name $wall $((after - before))" >>"$work/results"
}

# Pairs of transfers, ours and tftpd-hpa, the order swapped every pair.
RunPairs() {
  local mode=$1 client_cpu=$2 pair client
  for client in "${kClients[@]}"; do
    TimedFetch "$ns_ours" "$client_cpu" "$client" >/dev/null # warm-up
    TimedFetch "$ns_hpa" "$client_cpu" "$client" >/dev/null
  done
  for ((pair = 1; pair <= pairs; pair++)); do
    for client in "${kClients[@]}"; do
      if ((pair % 2)); then
        Measure "$mode" "$client_cpu" "$client" ours "$ns_ours"
        Measure "$mode" "$client_cpu" "$client" hpa "$ns_hpa"
      else
        Measure "$mode" "$client_cpu" "$client" hpa "$ns_hpa"
        Measure "$mode" "$client_cpu" "$client" ours "$ns_ours"
      fi
    done
  done
}

# Median of column COLUMN over the results of MODE, CLIENT ("*" for all) and SERVER.
Median() {
  local mode=$1 client=$2 name=$3 column=$4
  awk -v m="$mode" -v c="$client" -v s="$name" -v k="$column" \
    '$1 == m && (c == "*" || $2 == c) && $3 == s { print $k }' "$work/results" |
    sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

# Median over the pairs of ours / tftpd-hpa in column COLUMN for MODE and
# CLIENT: both halves of a pair ran back to back, so drift of the machine
# between pairs cancels out.
PairRatioMedian() {
  local mode=$1 client=$2 column=$3
  awk -v m="$mode" -v c="$client" -v k="$column" \
    '$1 == m && $2 == c { n[$3]++; v[$3, n[$3]] = $k }
     END { for (i = 1; i <= n["ours"] && i <= n["hpa"]; i++) print v["ours", i] / v["hpa", i] }' \
    "$work/results" |
    sort -g | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; printf "%.2f", m }'
}

Ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
Sum() { awk -v a="$1" -v b="$2" 'BEGIN { print a + b }'; }

ReportMode() {
  local mode=$1 title=$2 client wall_ours wall_hpa cpu_ours cpu_hpa
  echo "$title"
  for client in "${kClients[@]}"; do
    wall_ours=$(Median "$mode" "$client" ours 4)
    wall_hpa=$(Median "$mode" "$client" hpa 4)
    cpu_ours=$(Median "$mode" "$client" ours 5)
    cpu_hpa=$(Median "$mode" "$client" hpa 5)
    printf '  %-9s wall  ours %.3f s  tftpd-hpa %.3f s  ratio %s (per pair %s)   server CPU  ours %.1f ms  tftpd-hpa %.1f ms  ratio %s (per pair %s)\n' \
      "$client" "$wall_ours" "$wall_hpa" "$(Ratio "$wall_ours" "$wall_hpa")" "$(PairRatioMedian "$mode" "$client" 4)" \
      "$(awk -v u="$cpu_ours" 'BEGIN { print u / 1000 }')" "$(awk -v u="$cpu_hpa" 'BEGIN { print u / 1000 }')" \
      "$(Ratio "$cpu_ours" "$cpu_hpa")" "$(PairRatioMedian "$mode" "$client" 5)"
  done
}

# Both clients together: the sum of their medians, ours over tftpd-hpa.
OverallRatio() {
  local mode=$1 column=$2 ours=0 hpa=0 client
  for client in "${kClients[@]}"; do
    ours=$(Sum "$ours" "$(Median "$mode" "$client" ours "$column")")
    hpa=$(Sum "$hpa" "$(Median "$mode" "$client" hpa "$column")")
  done
  Ratio "$ours" "$hpa"
}

# --- peak memory of tftp-serve ---

PeakRssKib() { awk '$1 == "VmHWM:" { print $2 }' "/proc/${server_pid[$1]}/status"; }

# Sets peak_kib to the peak RSS of a fresh tftp-serve after COUNT transfers at
# once, and most_running to the most transfers seen running together.
PeakRssWith() {
  local count=$1 name=rss$1 i pids=() most=0 tasks
  StartOurs "$name"
  for ((i = 1; i <= count; i++)); do
    timeout "$kClientTimeout" ip netns exec "$ns_ours" \
      tftp -m binary 127.0.0.1 69 -c get firmware.bin "$work/rss-fetched.$i" &
    pids+=($!)
  done
  while :; do
    tasks=$(($(ServerTasks "$name") - ${idle_tasks[$name]}))
    ((tasks > most)) && most=$tasks
    local running=0
    for i in "${pids[@]}"; do kill -0 "$i" 2>/dev/null && running=1; done
    ((running)) || break
    sleep 0.005
  done
  for i in "${pids[@]}"; do wait "$i" || Fail "a client of the $count-transfer memory run failed"; done
  for ((i = 1; i <= count; i++)); do
    [[ $(sha256sum "$work/rss-fetched.$i" | cut -d' ' -f1) == "$image_sha" ]] ||
      Fail "transfer $i of $count at once delivered different bytes"
  done
  WaitServerIdle "$name"
  peak_kib=$(PeakRssKib "$name")
  most_running=$most
  StopServer "$name"
}

Main() {
  CheckSetup
  FindCgroupRoot
  MakeNamespace "$ns_ours"
  MakeNamespace "$ns_hpa"
  MakeCgroup ours
  MakeCgroup hpa
  StartOurs ours
  StartTftpdHpa
  : >"$work/results"

  echo "TFTP benchmark: $image_size-byte image, $pairs interleaved pairs per client and case"
  echo "servers on CPU $kServerCpu, each in its own network namespace; server CPU from a cgroup ($cgroup_kind)"
  RunPairs same "$kServerCpu"
  RunPairs split 1
  StopServer ours
  StopServer hpa
  [[ -z $results_copy ]] || cp "$work/results" "$results_copy"
  ReportMode same "same CPU (server and client on CPU $kServerCpu), medians:"
  ReportMode split "split (server on CPU $kServerCpu, client on CPU 1), medians:"

  local idle_kib one eight most_eight
  StartOurs rss0
  idle_kib=$(PeakRssKib rss0)
  StopServer rss0
  PeakRssWith 1
  one=$peak_kib
  PeakRssWith "$kConcurrentTransfers"
  eight=$peak_kib
  most_eight=$most_running
  local per_extra
  per_extra=$(awk -v a="$eight" -v b="$one" -v n="$kConcurrentTransfers" 'BEGIN { printf "%.1f", (a - b) / (n - 1) }')
  echo "peak RSS of tftp-serve (VmHWM): started ${idle_kib} KiB, 1 transfer ${one} KiB," \
    "$kConcurrentTransfers at once ${eight} KiB (at most $most_eight running together):" \
    "each extra transfer adds $per_extra KiB"

  local wall_ratio cpu_ratio
  wall_ratio=$(OverallRatio same 4)
  cpu_ratio=$(OverallRatio same 5)
  echo "targets: same-CPU wall ratio <= 0.85: $(Verdict "$wall_ratio" 0.85)," \
    "server CPU ratio <= 0.70: $(Verdict "$cpu_ratio" 0.70)," \
    "each extra transfer < 64 KiB: $(Verdict "$per_extra" 63.999)"
  echo "wall ratio $wall_ratio cpu ratio $cpu_ratio"
}

Verdict() { awk -v v="$1" -v t="$2" 'BEGIN { print (v <= t) ? "met" : "MISSED" }'; }

Main
