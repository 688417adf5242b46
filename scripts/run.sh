#!/usr/bin/env bash
# Installs what is missing, builds Plandor, starts a simulated instrument
# beside it (its port is listed last, so preselected, in the start-up window)
# and starts Plandor. The simulated instrument stops when Plandor ends.
# Set PLANDOR_NO_SIM=1 to start Plandor alone, for a real instrument.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${PLANDOR_BUILD_DIR:-build}"
scripts/setup.sh "$build"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  echo "Plandor is a desktop program and no display was found." >&2
  echo "Run it from a desktop session, or under a virtual display: xvfb-run -a $0" >&2
  exit 1
fi

sim_pid=""
cleanup() { if [ -n "$sim_pid" ]; then kill "$sim_pid" 2>/dev/null || true; wait "$sim_pid" 2>/dev/null || true; fi; }
trap cleanup EXIT

if [ -z "${PLANDOR_NO_SIM:-}" ] && [ -x "$build/plandor-sim" ]; then
  state_dir="${XDG_DATA_HOME:-$HOME/.local/share}/plandor"
  mkdir -p "$state_dir"
  log="$state_dir/simulated-instrument.log"
  "$build/plandor-sim" --state "$state_dir/simulated-instrument.state" >"$log" 2>&1 &
  sim_pid=$!
  # Wait for the simulated instrument to publish its port.
  port=""
  for _ in $(seq 100); do
    port=$(sed -n 's/^port: //p' "$log" | head -n 1)
    [ -n "$port" ] && break
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -n "$port" ]; then
    echo "Simulated instrument ready on $port"
  else
    echo "The simulated instrument did not start (see $log); Plandor starts without it." >&2
  fi
fi

"$build/plandor" "$@"
