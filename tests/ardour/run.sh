#!/bin/bash
# Runs the plug-in in a real host: Ardour 7, headless, with its dummy audio backend.
# usage: run.sh <Varlune.so> <session.lua> (reload.lua stands beside session.lua)
set -uo pipefail
plugin=$1
script=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/varlune-ardour.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/vst" "$work/home"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
cp "$plugin" "$work/vst/Varlune.so"
fail() { echo "FAILED: $*"; exit 1; }

# Ardour lists a new plug-in library at its first start and takes the scanner's result from then on.
cat > "$work/start.lua" <<LUA
AudioEngine:set_backend ("None (Dummy)", "", "")
create_session ("$work/first", "first", 48000)
close_session ()
LUA
LXVST_PATH="$work/vst" timeout 120 ardour7-lua "$work/start.lua" > /dev/null 2>&1

scan=$(LD_LIBRARY_PATH=/usr/lib/ardour7 LXVST_PATH="$work/vst" \
  timeout 60 /usr/lib/ardour7/ardour-vst-scanner -f -v "$work/vst/Varlune.so" 2>&1)
echo "$scan" | grep -q "Found Plugin: .* Varlune" || { echo "$scan"; fail "the scan did not find Varlune"; }
echo "scan: found Varlune"

run_lua() {
  local log
  log=$(LXVST_PATH="$work/vst" VARLUNE_SESSION_DIR="$work/session" timeout 240 ardour7-lua "$1" 2>&1)
  local status=$?
  echo "$log" | grep RESULT
  [ $status -eq 0 ] || { echo "$log" | tail -20; fail "ardour7-lua $(basename "$1") exited with $status"; }
  output+="$log"$'\n'
}

# Create, process, set and save in one Ardour process; reopen the session in a second one.
output=""
run_lua "$script"
run_lua "$(dirname "$script")/reload.lua"

value() { echo "$output" | awk -v key="$1" '$1 == "RESULT" && $2 == key { print $3 }' | tail -n 1; }
[ "$(value parameters)" = "98" ] || fail "Ardour does not see 98 parameters"
awk -v p="$(value peak)" 'BEGIN { exit !(p != "" && p > -60) }' || fail "the output is silent"
awk -v v="$(value set)" 'BEGIN { exit !(v > 0.1249 && v < 0.1251) }' || fail "the parameter was not set"
awk -v v="$(value restored)" 'BEGIN { exit !(v > 0.1249 && v < 0.1251) }' || fail "the parameter did not survive the reload"
grep -q "<chunk" "$work/session/s.ardour" || fail "the session holds no state chunk of the plug-in"
echo "Ardour: passed"
