# Sourced by scripts: starts the demo camera given as $1 in the background
# on a free port, sets camsim_pid and camsim_port, and stops it on exit.
start_camsim() {
    local portfile
    portfile=$(mktemp)
    "$1" --port 0 --quiet >"$portfile" &
    camsim_pid=$!
    trap 'kill $camsim_pid 2>/dev/null' EXIT
    for _ in $(seq 1 100); do
        [ -s "$portfile" ] && break
        sleep 0.1
    done
    camsim_port=$(head -n1 "$portfile")
    rm -f "$portfile"
    [ -n "$camsim_port" ]
}
