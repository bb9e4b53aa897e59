#!/bin/sh
# --color (auto) in a real terminal: tmux runs vesk in a pane and capture-pane -e
# shows the screen with its colours. Into a pipe, with TERM=dumb and with
# NO_COLOR=1 the same run shows none. Status 77 (skipped) only without tmux,
# which .ci/run installs.
set -eu
vesk=$1
. "$(dirname "$0")/terminal_pane.sh"
printf 'keep\nold line\n' >"$dir/a"
printf 'keep\nnew line\n' >"$dir/b"
escape=$(printf '\033')

# The screen of a pane on server $1 (1 to 3) that ran vesk --color under the
# env arguments after it, once the report's last line is on it.
screen() {
    pane=$1
    shift
    open_pane "$pane" 80 12 "new line" "env -u NO_COLOR $* '$vesk' --color a b"
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
