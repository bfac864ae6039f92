#!/usr/bin/env bash
# The order of flushes and renames of a compaction, which a kill cannot show: the backup is
# flushed before it gets its name, the compacted copy is flushed before it replaces db.mdb,
# and the folder is flushed after each new name. Both backups are traced: the second name of
# db.mdb (a hard link) and, as on a file system without hard links, the flushed byte copy.
# Skipped (77) without strace.
set -euo pipefail
helper="$1" cli="$2"
command -v strace >/dev/null || { echo "strace is not installed: skipped"; exit 77; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

line() { grep -n -E "$1" "$work/trace" | head -n 1 | cut -d: -f1 || true; }
folder_flush_after() {
    awk -v after="$1" -v dir="$work/folder" 'NR > after && /fsync\([0-9]+</ && index($0, "<" dir ">") { print NR; exit }' "$work/trace"
}
fail() { echo "$1"; cat "$work/trace"; exit 1; }

trace_compaction() {
    rm -rf "$work/folder" && mkdir "$work/folder"
    "$cli" newdb "$work/folder/db.mdb"
    # LeakSanitizer cannot run under ptrace.
    ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" strace -f -y -o "$work/trace" \
        -e trace=fsync,fdatasync,rename,renameat,renameat2,link,linkat "$helper" compact "$work/folder"
}

check_copy_and_swap() {
    local backup_named="$1"
    copy_flush=$(line 'fsync\([0-9]+<[^>]*newdb\.mdb>')
    swap=$(line 'rename.*newdb\.mdb.*db\.mdb')
    after_backup=$(folder_flush_after "$backup_named")
    after_swap=$(folder_flush_after "$swap")
    [ -n "$after_backup" ] && [ -n "$copy_flush" ] && [ "$after_backup" -lt "$copy_flush" ] || fail "the folder is not flushed after the backup"
    [ -n "$copy_flush" ] && [ -n "$swap" ] && [ "$copy_flush" -lt "$swap" ] || fail "the compacted copy is not flushed before it replaces db.mdb"
    [ -n "$after_swap" ] || fail "the folder is not flushed after the swap"
}

# A second name of db.mdb: nothing to flush but the folder.
trace_compaction
linked=$(line 'link.*db\.mdb.*tempdb\.mdb')
[ -n "$linked" ] || fail "the backup is not a second name of db.mdb"
check_copy_and_swap "$linked"

# A byte copy: flushed under its temporary name before it is renamed into place.
SITORA_NO_HARD_LINKS=1 trace_compaction
[ -z "$(line 'link.*tempdb\.mdb.*= 0')" ] || fail "a hard link was made although links are refused"
copy_flushed=$(line 'fsync\([0-9]+<[^>]*tempdb\.mdb\.part>')
renamed=$(line 'rename.*tempdb\.mdb\.part.*tempdb\.mdb')
[ -n "$copy_flushed" ] && [ -n "$renamed" ] && [ "$copy_flushed" -lt "$renamed" ] || fail "the backup copy is not flushed before it is named"
check_copy_and_swap "$renamed"
echo "flushes and renames in a safe order, with either backup"
