# Sourced by the scripts that run the tool against the bundled board simulator (built in build/).
# start_simulator APP [OPTIONS...] starts one on a pseudo-terminal as a Line Card (linecard) or a CPE (cpe) and
# exports VELMORA_COM1 naming that terminal; each call starts another. stop_simulator stops every one started.
# The board's output reaches the terminal as through a USB serial adapter with its usual 16 ms latency, as in the
# field.

simulator_pids=()

start_simulator() {
    local app=$1
    shift
    local path_file
    path_file=$(mktemp)
    # The simulator writes its terminal's path to the file (by rename, so it is never read half-written).
    build/tools/velmora-sim/velmora-sim --app "$app" --path-file "$path_file" \
        --adapter-latency 16 "$@" >/dev/null &
    local pid=$!
    simulator_pids+=("$pid")
    for _ in $(seq 200); do
        [ -s "$path_file" ] && break
        kill -0 "$pid" 2>/dev/null || { echo "The board simulator did not start." >&2; rm -f "$path_file"; return 1; }
        sleep 0.05
    done
    VELMORA_COM1=$(head -n 1 "$path_file")
    rm -f "$path_file" "$path_file.tmp"
    [ -n "$VELMORA_COM1" ] || { echo "The board simulator named no terminal within 10 s." >&2; return 1; }
    export VELMORA_COM1
}

stop_simulator() {
    local pid
    for pid in "${simulator_pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    simulator_pids=()
}
