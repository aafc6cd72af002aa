#!/usr/bin/env bash
# The whole Windows program under Wine, on an X display (run it inside xvfb-run): a fresh prefix
# with a private home, the task file of the Linux build (tests/data/shared-tasks.tsk, the same
# bytes) with one task more that runs a .bat in the next minute. The task must run on time,
# its end be recorded in the task file, the session's end (WM_ENDSESSION) take the ordinary
# shutdown, and `chorelin.exe --list --json` read the table back.
#
#   tests/windows/whole_program.sh <folder holding chorelin.exe and its DLLs>
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
program_folder=$(cd "$1" && pwd)
[ -f "$program_folder/chorelin.exe" ] || { echo "no chorelin.exe in $program_folder" >&2; exit 2; }

work=$(mktemp -d "${TMPDIR:-/tmp}/chorelin-whole-XXXXXX")
export WINEPREFIX=$work/prefix HOME=$work/home XDG_CONFIG_HOME=$work/home/.config \
    XDG_DATA_HOME=$work/home/.local/share XDG_CACHE_HOME=$work/home/.cache \
    WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=ja_JP.UTF-8
unset WINEPATH
mkdir -p "$HOME" "$WINEPREFIX"
cleanup() {
    wineserver -k 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "whole_program: $*" >&2
    [ -f "$work/trace.txt" ] && tail -n 20 "$work/trace.txt" >&2
    exit 1
}
windows_path() { local p; p=$(readlink -f "$1"); echo "Z:${p//\//\\}"; }
# wait_for SECONDS COMMAND...: polls the command every half second for at most that long.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do [ $SECONDS -lt $deadline ] && sleep 0.5 || return 1; done
}

wineserver -p
wineboot -i >/dev/null 2>&1 || true
data=$(find "$WINEPREFIX/drive_c/users" -mindepth 1 -maxdepth 1 -type d ! -name Public | head -n 1)
data=$data/Documents/chorelin
mkdir -p "$data"

# The .bat the task runs leaves its mark.
mkdir -p "$work/job"
marker=$work/job/marker.txt
printf '@echo off\r\necho ran> "%s"\r\n' "$(windows_path "$work/job")\\marker.txt" >"$work/job/mark.bat"

# One record (1420 bytes, texts in cp932) for a task due in the next minute, every day. Half a
# minute or less before the next minute, the one after it, so that Chorelin is up in time.
when=$(date +%s)
[ $((60 - when % 60)) -lt 30 ] && when=$((when + 60))
due=$(((when / 60 + 1) * 60))
run_time=$(date -d "@$due" +%H:%M)
day_text=$(date -d "@$due" +%Y/%m/%d)
day=$(date -d "@$due" +%Y%m%d)
cp932() { printf '%s' "$1" | iconv -f UTF-8 -t CP932; }
bat=$(windows_path "$work/job/mark.bat")
cp "$root/tests/data/shared-tasks.tsk" "$data/chorelin.tsk"
TASK_NAME=$(cp932 "印を付ける") SCHEDULE=$(cp932 "毎日") RUN_TIME=$run_time DAY_TEXT=$day_text DAY=$day BAT=$bat \
    LANG=C perl -e 'binmode STDOUT; print pack("a128 a16 a32 a16 a16 a16 a16 a512 a512 l<9 l<7 l<2 x68 x16",
        @ENV{qw(TASK_NAME RUN_TIME SCHEDULE DAY_TEXT)}, "", "", $ENV{DAY_TEXT}, $ENV{BAT}, $ENV{BAT},
        $ENV{DAY}, 0, 0, $ENV{DAY}, 0, 1, 0, 0, 0, (0) x 7, 1, 0)' >>"$data/chorelin.tsk"
chmod 700 "$data" && chmod 600 "$data/chorelin.tsk"
[ "$(stat -c %s "$data/chorelin.tsk")" -eq $((4 * 1420)) ] || fail "the task file was not made whole"

# The fourth record's fields: the last run's text and the state.
last_run() { dd if="$data/chorelin.tsk" bs=1 skip=$((3 * 1420 + 208)) count=10 2>/dev/null; }
state() { od -An -t d4 -j $((3 * 1420 + 1328)) -N 4 "$data/chorelin.tsk" | tr -d ' '; }
ran() { [ -f "$marker" ]; }
end_recorded() { [ "$(last_run)" = "$day_text" ] && [ "$(state)" = 1 ]; }
traced() { grep -qa "$1" "$work/trace.txt" 2>/dev/null; }

export CHORELIN_TRACE
CHORELIN_TRACE=$(windows_path "$work")\\trace.txt
# A desktop of Wine's own gives the program a taskbar and a tray to live in.
wine explorer /desktop=chorelin,1000x740 "$(windows_path "$program_folder/chorelin.exe")" \
    >"$work/program.log" 2>&1 &
wait_for 60 traced "CMainFrame::CMainFrame() End" || fail "Chorelin did not come up"

# On time: the mark is made within the due minute's first seconds.
wait_for $((due - $(date +%s) + 60)) ran || fail "the task due at $run_time did not run"
made=$(stat -c %Y "$marker")
[ "$made" -ge "$due" ] && [ "$made" -le $((due + 20)) ] ||
    fail "the task ran at $(date -d "@$made" +%T), not at $run_time"
# While it runs the table on disk says so; its end is seen by the watcher.
[ "$(last_run)" = "$day_text" ] || fail "the start was not written to the task file"
wait_for 30 traced "タスク（印を付ける）の終了を検出しました。" || fail "the task's end was not seen"

# The session ends (WM_QUERYENDSESSION, WM_ENDSESSION to the windows of that desktop): the
# ordinary shutdown runs and writes the table once more.
timeout 60 wine explorer /desktop=chorelin wineboot.exe --end-session >/dev/null 2>&1 || true
wait_for 30 traced "=== chorelin END ===" || fail "the session's end did not shut Chorelin down"
traced "セッションが終了します。" || fail "the shutdown did not come from the session's end"
end_recorded ||
    fail "the shutdown did not write the end (last run $(last_run), state $(state))"
for n in 0 1 2; do
    cmp -s <(dd if="$root/tests/data/shared-tasks.tsk" bs=1 skip=$((n * 1420)) count=128 2>/dev/null) \
        <(dd if="$data/chorelin.tsk" bs=1 skip=$((n * 1420)) count=128 2>/dev/null) ||
        fail "the Linux build's task $((n + 1)) did not keep its name's bytes"
done

# The command line reads the table back.
list=$(wine "$(windows_path "$program_folder/chorelin.exe")" --list --json 2>"$work/list.err") ||
    fail "--list --json failed: $(cat "$work/list.err")"
iso=$(date -d "@$due" +%Y-%m-%d)
grep -q "\"name\": \"印を付ける\".*\"lastRun\": \"$iso\".*\"lastRunOutcome\": \"exited\"" <<<"$list" ||
    fail "--list --json does not show the run: $list"
grep -q '"name": "週報～まとめ"' <<<"$list" || fail "--list --json lost the Linux build's tasks: $list"
echo "whole_program: the task ran at $(date -d "@$made" +%T) (due $run_time), its end was recorded and read back"
