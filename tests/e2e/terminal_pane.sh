# Sourced by the tests that run vesk in a real terminal (tmux): a scratch folder
# $dir whose tmux servers are all stopped on exit, and open_pane. Exits with 77
# (skipped) without tmux, which .ci/run installs.
command -v tmux >/dev/null 2>&1 || exit 77
dir=$(mktemp -d)
trap 'for socket in "$dir"/socket*; do tmux -S "$socket" kill-server 2>/dev/null || true; done; rm -rf "$dir"' EXIT

# open_pane SERVER COLUMNS ROWS TEXT COMMAND: runs COMMAND in $dir in a pane of
# that size on its own tmux server (socket "$dir/socketSERVER", left in $socket),
# and returns once TEXT is on the screen, or after ten seconds.
open_pane() {
    socket="$dir/socket$1"
    tmux -S "$socket" -u -f /dev/null new-session -d -x "$2" -y "$3" "cd '$dir' && $5; sleep 60"
    tries=0
    until tmux -S "$socket" capture-pane -p | grep -q "$4" || [ $tries -ge 100 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
}
