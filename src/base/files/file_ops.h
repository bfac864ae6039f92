#pragma once
// The file operations every writer of the program goes through, so that tests can make
// any write, flush, rename or delete fail at the Nth call and check that nothing is lost.
#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace sitora::files {

// Writes every byte or fails; short writes are retried.
bool WriteAll(int fd, std::string_view data);
// Flushes the file's data to the disk.
bool SyncFile(int fd);
// Flushes a folder, so that a rename or a new name in it survives a crash.
bool SyncFolder(const std::filesystem::path& folder);
bool TruncateFile(int fd, off_t length);
bool RenameFile(const std::filesystem::path& from, const std::filesystem::path& to);
// A second name for a file; fails where the file system has no hard links.
bool LinkFile(const std::filesystem::path& from, const std::filesystem::path& to);
// Removing a file that does not exist counts as success.
bool RemoveFile(const std::filesystem::path& path);
// Sets a file's mode. Where the file system keeps no modes (vfat, some network mounts) that is
// no failure: the file stays as the mount makes it.
bool SetMode(const std::filesystem::path& path, mode_t mode);
// Gives the complete file `from` the name `to` without ever replacing a file there: a hard
// link (then `from` is removed), or where the file system has none, `to` is taken exclusively
// and `from` renamed over it. False, with nothing at `to` of ours, when `to` exists.
bool PlaceNewFile(const std::filesystem::path& from, const std::filesystem::path& to);

// A name beside `target` for a file this process builds before it takes `target`'s name: no
// user's file is named so, and a run that was killed is told apart by its process number.
std::filesystem::path ScratchPathFor(const std::filesystem::path& target);
// Removes what killed runs left under such names in `folder` (with SQLite's journals): files
// of this user whose process has ended.
void RemoveStaleScratchFiles(const std::filesystem::path& folder);

// Creates or replaces `path` with `data` (mode for a new file: `mode`); with `sync` the
// data is on the disk when this returns true.
bool WriteWholeFile(const std::filesystem::path& path, std::string_view data, mode_t mode = 0600,
                    bool sync = false);
// Like WriteWholeFile for a file of the private folder: whatever stands at `path` (a file, a
// planted link) is removed and the file is created anew, exclusively, without following a link.
bool CreatePrivateFile(const std::filesystem::path& path, std::string_view data);

// The whole content of a regular file; nothing for a missing or unreadable file and for
// anything that is not a regular file (a FIFO is never waited on). With `no_follow` a link
// at `path` is refused too. A file longer than `max_bytes` gives nothing, with errno EFBIG.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path, bool no_follow = false,
                                         std::size_t max_bytes = std::string::npos);

// Opens `path` with `flags` without blocking on a FIFO or device and keeps the descriptor only
// when it names a regular file; -1 otherwise (errno EINVAL for a file of another kind).
int OpenRegularFile(const std::filesystem::path& path, int flags, mode_t mode = 0600);

}  // namespace sitora::files
