# Sourced by the scripts that run the tool against the bundled board simulator (built in build/).
# start_simulator APP [OPTIONS...] starts it on a pseudo-terminal as a Line Card (linecard) or a CPE (cpe) and
# exports VELMORA_COM1 naming that terminal; stop_simulator stops it. The board's output reaches the terminal as
# through a USB serial adapter with its usual 16 ms latency, as in the field.

simulator_pid=
simulator_path_file=

start_simulator() {
    local app=$1
    shift
    simulator_path_file=$(mktemp)
    # The simulator writes its terminal's path to the file (by rename, so it is never read half-written).
    build/tools/velmora-sim/velmora-sim --app "$app" --path-file "$simulator_path_file" \
        --adapter-latency 16 "$@" >/dev/null &
    simulator_pid=$!
    for _ in $(seq 200); do
        [ -s "$simulator_path_file" ] && break
        kill -0 "$simulator_pid" 2>/dev/null || { echo "The board simulator did not start." >&2; return 1; }
        sleep 0.05
    done
    [ -s "$simulator_path_file" ] || { echo "The board simulator named no terminal within 10 s." >&2; return 1; }
    VELMORA_COM1=$(head -n 1 "$simulator_path_file")
    export VELMORA_COM1
}

stop_simulator() {
    [ -z "$simulator_pid" ] || kill "$simulator_pid" 2>/dev/null || true
    [ -z "$simulator_path_file" ] || rm -f "$simulator_path_file" "$simulator_path_file.tmp"
    simulator_pid=
    simulator_path_file=
}
