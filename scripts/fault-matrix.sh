#!/bin/bash
# Sends a new plan with plandor-cli to a simulated instrument under each
# fault, then reads back what the instrument kept (with the faults gone) and
# checks that the exit code told the truth:
#   0 only when the instrument holds the new plan; 3 or 5 when it holds the
#   old one; 6 (not confirmed) when it holds either; never anything else.
# Usage: scripts/fault-matrix.sh [build folder]   (default: build)
set -u
BUILD=$(cd "${1:-build}" && pwd)
SIM=$BUILD/plandor-sim
CLI=$BUILD/plandor-cli
WORK=$(mktemp -d)
export PLANDOR_PORTS_DIR=$WORK/ports
trap 'kill $SIMPID 2>/dev/null; rm -rf "$WORK"' EXIT
SIMPID=0

start_sim() { # state, args...
    local state=$1; shift
    "$SIM" --state "$state" "$@" >"$WORK/sim.out" 2>&1 &
    SIMPID=$!
    for _ in $(seq 50); do
        PORT=$(sed -n 's/^port: //p' "$WORK/sim.out")
        [ -n "$PORT" ] && return 0
        sleep 0.1
    done
    echo "plandor-sim did not start" >&2; exit 1
}
stop_sim() { kill "$SIMPID" 2>/dev/null; wait "$SIMPID" 2>/dev/null; } 2>/dev/null

# The old plan: the simulator's own; the new one: every frequency moved.
start_sim "$WORK/seed.state"
"$CLI" read --port "$PORT" --out "$WORK/old.txt" >/dev/null || exit 1
stop_sim
awk -F'\t' 'BEGIN{OFS="\t"} $1 ~ /^[0-9]+$/ && NF >= 5 {$4 = $4 + 0.25} {print}' \
    "$WORK/old.txt" >"$WORK/new.txt"

held() { # what the instrument of this state keeps now: old, new or other
    start_sim "$1"
    "$CLI" read --port "$PORT" --out "$WORK/back.txt" >/dev/null 2>&1
    stop_sim
    if cmp -s "$WORK/back.txt" "$WORK/new.txt"; then echo new
    elif cmp -s "$WORK/back.txt" "$WORK/old.txt"; then echo old
    else echo other; fi
}

printf '| %-38s | %-4s | %-4s | %-5s | %s\n' "fault" "exit" "held" "truth" "what plandor-cli said"
printf '|%s|\n' "----------------------------------------|------|------|-------|------------------------------"
BAD=0
run_case() { # name, kill-after-ms (0: none), sim args...
    local name=$1 killms=$2; shift 2
    local state=$WORK/case.state
    rm -f "$state"; [ -f "$WORK/seed.state" ] && cp "$WORK/seed.state" "$state"
    start_sim "$state" "$@"
    local killer=0
    if [ "$killms" -gt 0 ]; then
        ( sleep "$(echo "scale=3; $killms/1000" | bc)"; kill -9 "$SIMPID" 2>/dev/null ) &
        killer=$!
    fi
    "$CLI" send --port "$PORT" --baud "${BAUD:-115200}" --in "$WORK/new.txt" >"$WORK/out" 2>&1
    local rc=$?
    [ "$killer" -gt 0 ] && wait "$killer"
    stop_sim
    local h; h=$(held "$state")
    local ok=no
    case "$rc:$h" in
        0:new|3:old|5:old|6:old|6:new) ok=yes ;;
    esac
    [ "$ok" = yes ] || BAD=$((BAD + 1))
    printf '| %-38s | %-4s | %-4s | %-5s | %s\n' "$name" "$rc" "$h" "$ok" \
        "$(tr '\n' ' ' <"$WORK/out" | cut -c1-150)"
}


run_case "none" 0
run_case "drop 0.002" 0 --drop 0.002 --seed 3
run_case "drop all" 0 --drop 1
run_case "corrupt 0.002" 0 --corrupt 0.002 --seed 4
run_case "corrupt all" 0 --corrupt 1
run_case "noise 0.02" 0 --noise 0.02 --seed 5
run_case "noise before frames" 0 --preamble 300
run_case "delay 0.25 x 400 ms, seed 81" 0 --delay 0.25 --delay-ms 400 --seed 81
run_case "delay all x 4 s" 0 --delay 1 --delay-ms 4000
run_case "malformed 0.1" 0 --malformed 0.1 --seed 6
run_case "malformed all" 0 --malformed 1
run_case "silent" 0 --silent
run_case "refused writes" 0 --refuse-writes
for n in 1 2 3 4 5 6 7; do
    run_case "unplug at request $n" 0 --unplug-after "$n"
done
for ms in 150 300 450 600; do
    BAUD=9600 run_case "killed ${ms} ms into a 9600 baud send" "$ms" --baud 9600
done
run_case "end lost (request 5 and its repeats)" 0 --lose-request 5
run_case "end's ack lost (reply 5 and repeats)" 0 --lose-reply 5
run_case "end's ack lost, then unplugged" 0 --lose-reply 5 --unplug-after 6
run_case "rate: instrument 9600, PC 115200" 0 --baud 9600
BAUD=9600 run_case "rate: both 9600" 0 --baud 9600
BAUD=9600 run_case "1.0 instrument, 9600" 0 --baud 9600 --protocol-version 1
echo
echo "cases where the exit code did not tell the truth: $BAD"
[ "$BAD" -eq 0 ]
