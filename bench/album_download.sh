#!/usr/bin/env bash
# Album download figures against the bundled demo service:
#  1. wall time of quellora-dl saving 100 tracks of 1 MiB, against a shell loop of curl making the
#     same requests in the same order (goal: at most 1.1x);
#  2. the peak resident memory of quellora-dl while it saves 200 MiB tracks (goal: under 32 MiB).
#
# The 100 tracks are the demo catalogue's album 《百回书场》 (100 tracks, 25 to a page).
#
# Usage: bench/album_download.sh [build-dir]   (default build/release; built when missing)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
if [[ ! -x $build/bin/quellora-dl || ! -x $build/bin/quellora-demo-service ]]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build "$build" --target quellora-dl quellora-demo-service >/dev/null
fi
dl=$(realpath "$build/bin/quellora-dl")
service=$(realpath "$build/bin/quellora-demo-service")
work=$(mktemp -d)
service_pid=""
cleanup() {
  if [[ -n $service_pid ]]; then kill "$service_pid" 2>/dev/null || true; wait "$service_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# Starts the demo service with the given options; sets origin and service_pid.
start_service() {
  "$service" --port 0 "$@" >"$work/service.out" &
  service_pid=$!
  for _ in $(seq 100); do
    origin=$(head -n 1 "$work/service.out" 2>/dev/null || true)
    [[ -n $origin ]] && return 0
    sleep 0.05
  done
  echo "demo service did not start" >&2
  exit 1
}
stop_service() {
  kill "$service_pid"; wait "$service_pid" 2>/dev/null || true; service_pid=""
}
now() { date +%s.%N; }

# Runs the command with stdin passed on and stdout discarded; prints its peak RSS in KiB.
peak_rss_kib() {
  cat >"$work/stdin"
  if [[ -x /usr/bin/time ]]; then
    LANG=C.UTF-8 /usr/bin/time -f '%M' -o "$work/time.out" "$@" <"$work/stdin" >/dev/null
    tail -n 1 "$work/time.out"
    return
  fi
  # Without GNU time: poll the high-water mark the kernel keeps (VmHWM) until the child ends.
  LANG=C.UTF-8 "$@" <"$work/stdin" >/dev/null &
  local pid=$! peak=0 hwm
  while kill -0 "$pid" 2>/dev/null; do
    hwm=$(awk '/^VmHWM:/ {print $2}' "/proc/$pid/status" 2>/dev/null || true)
    [[ -n $hwm && $hwm -gt $peak ]] && peak=$hwm
    sleep 0.02
  done
  wait "$pid" || true
  echo "$peak"
}

# --- 1. 100 tracks of 1 MiB: quellora-dl against a curl loop -------------------------------
runs=3
start_service --audio-bytes 1048576
query='%E7%99%BE%E5%9B%9E'  # 百回

quellora_once() {
  rm -rf "$work/q" && mkdir -p "$work/q"
  printf '百回\n1\n1\n' | LANG=C.UTF-8 "$dl" --origin "$origin" --output-dir "$work/q" >/dev/null
}
curl_once() {
  rm -rf "$work/c" && mkdir -p "$work/c"
  curl -s -o /dev/null "$origin/search/$query"
  curl -s -o /dev/null "$origin/search/$query"
  local link=/u4004/album/9 first pages ids=() id json play
  first=$(curl -s "$origin$link")
  pages=$(grep -o "data-page='[0-9]'" <<<"${first#*pagingBar_wrapper}" | wc -l || true)
  ((pages == 0)) && pages=1
  for ((p = 1; p <= pages; p++)); do
    while read -r id; do ids+=("$id"); done < <(curl -s "$origin$link?page=$p" |
      grep -o 'href="/u4004/sound/[^"]*"' | sed 's|.*/sound/||; s|"$||')
  done
  for id in "${ids[@]}"; do
    json=$(curl -s "$origin/tracks/$id.json")
    play=$(sed 's/.*"play_path":"\([^"]*\)".*/\1/' <<<"$json")
    curl -s -0 -o "$work/c/$id.MP3" "$play"
  done
}

quellora_once && curl_once  # warm-up: page cache, binaries
t0=$(now); for ((i = 0; i < runs; i++)); do quellora_once; done; t1=$(now)
for ((i = 0; i < runs; i++)); do curl_once; done; t2=$(now)
saved_q=$(find "$work/q" -name '*.MP3' | wc -l)
saved_c=$(find "$work/c" -name '*.MP3' | wc -l)
stop_service

q=$(echo "$t1 - $t0" | bc -l)
c=$(echo "$t2 - $t1" | bc -l)
printf 'album of %d tracks x 1 MiB, %d runs each (curl loop saved %d per run)\n' \
  "$saved_q" "$runs" "$saved_c"
printf 'quellora-dl: %.3f s   curl loop: %.3f s   ratio: %.3fx (goal <= 1.1x)\n' \
  "$q" "$c" "$(echo "$q / $c" | bc -l)"

# --- 2. peak memory while saving 200 MiB tracks --------------------------------------------
start_service --audio-bytes $((200 * 1024 * 1024))
rm -rf "$work/big" && mkdir -p "$work/big"
# 西游记: the 5-track album; every track is 200 MiB here.
peak_kib=$(peak_rss_kib "$dl" --origin "$origin" --output-dir "$work/big" <<<$'西游记\n1\n1')
stop_service
size=$(find "$work/big" -name '*.MP3' -printf '%s\n' | head -n 1)
printf 'peak RSS saving 200 MiB tracks: %.1f MiB (goal < 32 MiB; track file %s bytes)\n' \
  "$(echo "$peak_kib / 1024" | bc -l)" "$size"
