#!/bin/sh
# --side-by-side in a real terminal: tmux runs vesk in a pane on Japanese UTF-8
# text (wide kana and kanji, half-width katakana, a tab, a combining mark, a line
# cut inside a wide character), and tmux itself says in which screen column each
# gutter mark stands: copy mode's search puts its cursor on every mark in turn.
# Above the report a line of blanks and one "|" shows where the mark belongs
# (column (W - 3) / 2 + 2 for W = 41), read back the same way. Status 77
# (skipped) only without tmux, which .ci/run installs.
set -eu
vesk=$1
command -v tmux >/dev/null 2>&1 || exit 77
dir=$(mktemp -d)
socket="$dir/socket"
trap 'tmux -S "$socket" kill-server 2>/dev/null || true; rm -rf "$dir"' EXIT

# Every row but the common one has a mark; no text holds "|", "<" or ">". The
# e of the fifth line of b carries a combining acute accent (U+0301).
printf '日本語のテキスト\tです\nｶﾀｶﾅ と かな\n=共通の行\ncafé の名前\n漢字だけの長い行はセルの幅を越える\n一行目だけ\n' >"$dir/a"
printf '日本語の文章\tです\nﾊﾝｶｸ と カナ\n=共通の行\ncafé の名字\n結合文字 e\314\201 と ｶﾞ\n' >"$dir/b"
width=41
rows=5  # the marks: | | | | <
tmux -S "$socket" -u -f /dev/null new-session -d -x 100 -y 20 \
    "cd '$dir' && printf '%20s|\n' '' && LC_ALL=C.UTF-8 '$vesk' --utf8 --side-by-side --width=$width a b; sleep 60"
tries=0
until tmux -S "$socket" capture-pane -p | grep -q "一行目だけ" || [ $tries -ge 100 ]; do
    sleep 0.1
    tries=$((tries + 1))
done
fail() { echo "FAIL: $1"; tmux -S "$socket" capture-pane -p; exit 1; }
tmux -S "$socket" capture-pane -p | grep -q "一行目だけ" || fail "vesk did not run in the pane"

tmux -S "$socket" copy-mode
tmux -S "$socket" send -X history-top
tmux -S "$socket" send -X start-of-line
# The cursor after each search, as "column row"; a search past the last mark
# would wrap to the top, so exactly the marks' number are made.
found=""
for search in $(seq 0 $rows); do
    tmux -S "$socket" send -X search-forward '[|<>]'
    found="$found$(tmux -S "$socket" display -p '#{copy_cursor_x} #{copy_cursor_y}')
"
done
expected=$(echo "$found" | head -n 1 | cut -d' ' -f1)
echo "$found" | grep -c . | grep -qx $((rows + 1)) || fail "found: $found"
columns=$(echo "$found" | grep . | cut -d' ' -f1 | sort -u)
[ "$columns" = "$expected" ] || fail "the marks stand in columns $(echo $columns) (rows: $(echo "$found" | tr '\n' ';'))"
lines=$(echo "$found" | grep . | cut -d' ' -f2 | sort -un | tr '\n' ' ')
[ "$lines" = "0 1 2 4 5 6 " ] || fail "marks found on rows $lines"
# The common row has no mark: its right cell, which starts with "=" as the left
# one does, starts two columns after the gutter.
tmux -S "$socket" send -X history-top
tmux -S "$socket" send -X start-of-line
tmux -S "$socket" send -X search-forward "="
tmux -S "$socket" send -X search-forward "="
right=$(tmux -S "$socket" display -p '#{copy_cursor_x} #{copy_cursor_y}')
[ "$right" = "$((expected + 2)) 3" ] || fail "the common row's right cell starts at $right, not $((expected + 2))"
echo "every gutter mark in screen column $expected, as the ruler's"
