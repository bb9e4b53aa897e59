#!/bin/sh
# --side-by-side in a real terminal: tmux runs vesk in a pane on Japanese UTF-8
# text (wide kana and kanji, half-width katakana, a tab, a combining mark, a line
# cut inside a wide character), and tmux itself says in which screen column each
# gutter mark stands: copy mode's search puts its cursor on every mark in turn.
# Above the report a ruler of blanks and one "|" shows where the mark belongs,
# (W - 3) / 2 + 2, read back the same way. Once with --width=41, once with the
# width that vesk asks of the terminal (a pane of 100 columns). Status 77
# (skipped) only without tmux, which .ci/run installs.
set -eu
vesk=$1
. "$(dirname "$0")/terminal_pane.sh"

# Every row but the common one (the third) has a mark, and no text holds "|",
# "<" or ">"; the common line starts with "=". The e of the fifth line of b
# carries a combining acute accent (U+0301).
printf '日本語のテキスト\tです\nｶﾀｶﾅ と かな\n=共通の行\ncafé の名前\n漢字だけの長い行はセルの幅を越える\n一行目だけ\n' >"$dir/a"
printf '日本語の文章\tです\nﾊﾝｶｸ と カナ\n=共通の行\ncafé の名字\n結合文字 e\314\201 と ｶﾞ\n' >"$dir/b"
marks=5

fail() { echo "FAIL: $1"; tmux -S "$socket" capture-pane -p; exit 1; }

# check SERVER RULER_BLANKS [WIDTH_OPTION]
check() {
    open_pane "$1" 100 20 "一行目だけ" "printf '%$2s|\n' '' && LC_ALL=C.UTF-8 '$vesk' --utf8 --side-by-side ${3:-} a b"
    tmux -S "$socket" capture-pane -p | grep -q "一行目だけ" || fail "vesk did not run in the pane"
    tmux -S "$socket" copy-mode
    tmux -S "$socket" send -X history-top
    tmux -S "$socket" send -X start-of-line
    # The cursor after each search, as "column row": the ruler's mark, then the
    # report's (one more search would wrap to the top).
    found=""
    for search in $(seq 0 $marks); do
        tmux -S "$socket" send -X search-forward '[|<>]'
        found="$found$(tmux -S "$socket" display -p '#{copy_cursor_x} #{copy_cursor_y}');"
    done
    ruler=${found%% *}
    [ "$(echo "$found" | tr ';' '\n' | grep . | cut -d' ' -f1 | sort -u)" = "$ruler" ] ||
        fail "the marks stand in other columns than the ruler's: $found"
    [ "$(echo "$found" | tr ';' '\n' | grep . | cut -d' ' -f2 | tr '\n' ' ')" = "0 1 2 4 5 6 " ] ||
        fail "marks found on other rows: $found"
    # The common row's right cell starts two columns after the gutter's mark.
    tmux -S "$socket" send -X history-top
    tmux -S "$socket" send -X start-of-line
    tmux -S "$socket" send -X search-forward "="
    tmux -S "$socket" send -X search-forward "="
    right=$(tmux -S "$socket" display -p '#{copy_cursor_x} #{copy_cursor_y}')
    [ "$right" = "$((ruler + 2)) 3" ] || fail "the common row's right cell starts at $right"
    echo "${3:-the terminal's width}: every gutter mark in the ruler's screen column"
}

check 1 20 --width=41
check 2 49
