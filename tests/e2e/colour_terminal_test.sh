#!/bin/sh
# --color (auto) in a real terminal: tmux runs vesk in a pane and capture-pane -e
# shows the screen with its colours. Into a pipe, with TERM=dumb and with
# NO_COLOR=1 the same run shows none. Status 77 (skipped) only without tmux,
# which .ci/run installs.
set -eu
vesk=$1
command -v tmux >/dev/null 2>&1 || exit 77
dir=$(mktemp -d)
trap 'for n in 1 2 3; do tmux -S "$dir/socket$n" kill-server 2>/dev/null || true; done; rm -rf "$dir"' EXIT
printf 'keep\nold line\n' >"$dir/a"
printf 'keep\nnew line\n' >"$dir/b"
escape=$(printf '\033')

# The screen of a pane on server $1 (1 to 3) that ran vesk --color under the
# env arguments after it, once the report's last line is on it.
screen() {
    socket="$dir/socket$1"
    shift
    tmux -S "$socket" -f /dev/null new-session -d -x 80 -y 12 \
        "cd '$dir' && env -u NO_COLOR $* '$vesk' --color a b; sleep 60"
    tries=0
    until tmux -S "$socket" capture-pane -p | grep -q "new line" || [ $tries -ge 100 ]; do
        sleep 0.1
        tries=$((tries + 1))
    done
    tmux -S "$socket" capture-pane -e -p
}

fail() { echo "FAIL: $1"; exit 1; }

coloured=$(screen 1 TERM=xterm)
echo "$coloured" | grep -q "change: 2 : 2" || fail "vesk did not run in the pane: $coloured"
echo "$coloured" | grep -q "$escape\[[0-9;]*31m" || fail "no colour on a terminal"
server=1
for setting in TERM=dumb NO_COLOR=1; do
    server=$((server + 1))
    plain=$(screen $server "$setting")
    echo "$plain" | grep -q "old line" || fail "vesk did not run with $setting"
    case $plain in *"$escape"*) fail "colour with $setting" ;; esac
done
piped=$(cd "$dir" && TERM=xterm "$vesk" --color=auto a b || true)
case $piped in *"$escape"*) fail "colour into a pipe" ;; esac
[ -n "$piped" ] || fail "no report into a pipe"
echo "coloured on a terminal; none into a pipe, with TERM=dumb or with NO_COLOR=1"
