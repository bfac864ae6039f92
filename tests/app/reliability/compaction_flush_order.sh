#!/usr/bin/env bash
# The order of flushes and renames of a compaction, which a kill cannot show: the backup is
# flushed before it gets its name, the compacted copy is flushed before it replaces db.mdb,
# and the folder is flushed after each rename. Skipped (77) without strace.
set -euo pipefail
helper="$1" cli="$2"
command -v strace >/dev/null || { echo "strace is not installed: skipped"; exit 77; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
"$cli" newdb "$work/db.mdb"
# LeakSanitizer cannot run under ptrace.
ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" strace -f -y -o "$work/trace" -e trace=fsync,fdatasync,rename,renameat,renameat2,link,linkat "$helper" compact "$work"

line() { grep -n -E "$1" "$work/trace" | head -n 1 | cut -d: -f1 || true; }
# The backup is a second name of db.mdb (a link), or a flushed copy renamed into place.
backup_rename=$(line '(link|rename).*tempdb\.mdb')
backup_flush=$(line 'fsync\([0-9]+<[^>]*tempdb\.mdb\.part>')
[ -n "$backup_flush" ] || backup_flush=0
copy_flush=$(line 'fsync\([0-9]+<[^>]*newdb\.mdb>')
swap=$(line 'rename.*newdb\.mdb.*db\.mdb')
folder_flush_after_swap=$(awk -v after="$swap" -v dir="$work" 'NR > after && /fsync\([0-9]+</ && index($0, "<" dir ">") { print NR; exit }' "$work/trace")
folder_flush_after_backup=$(awk -v after="$backup_rename" -v dir="$work" 'NR > after && /fsync\([0-9]+</ && index($0, "<" dir ">") { print NR; exit }' "$work/trace")

fail() { echo "$1"; cat "$work/trace"; exit 1; }
[ -n "$backup_flush" ] && [ -n "$backup_rename" ] && [ "$backup_flush" -lt "$backup_rename" ] || fail "the backup is not flushed before it is named"
[ -n "$folder_flush_after_backup" ] && [ "$folder_flush_after_backup" -lt "$copy_flush" ] || fail "the folder is not flushed after the backup"
[ -n "$copy_flush" ] && [ -n "$swap" ] && [ "$copy_flush" -lt "$swap" ] || fail "the compacted copy is not flushed before it replaces db.mdb"
[ -n "$folder_flush_after_swap" ] || fail "the folder is not flushed after the swap"
echo "flushes and renames in a safe order"
