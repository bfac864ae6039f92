#pragma once
// The per-user folder that stands in for the root of drive C: the transfer files
// of the carriers and the single-instance lock live there, readable by this user only.
#include <filesystem>

namespace sitora::files {

// $XDG_RUNTIME_DIR/sitora when that folder exists, otherwise $XDG_STATE_HOME/sitora, else
// ~/.local/state/sitora. Created with mode 0700 when missing; one found open to others is
// closed and emptied. Throws std::runtime_error when it cannot be created, emptied or belongs
// to another user.
std::filesystem::path PrivateFolder();

// What is kept for this user from one day to the next (the reminder log): $XDG_STATE_HOME/sitora,
// else ~/.local/state/sitora, made and checked as PrivateFolder's.
std::filesystem::path StateFolder();

// What may be thrown away and fetched again (registry answers): $XDG_CACHE_HOME/sitora, else
// ~/.cache/sitora, made and checked as PrivateFolder's.
std::filesystem::path CacheFolder();

}  // namespace sitora::files
