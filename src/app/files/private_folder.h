#pragma once
// The per-user folder that stands in for the root of drive C: the transfer files
// of the carriers and the single-instance lock live there, readable by this user only.
#include <filesystem>

namespace sitora::files {

// $XDG_RUNTIME_DIR/sitora when that folder exists, otherwise $TMPDIR (or /tmp)
// /sitora-<uid>. Created with mode 0700 when missing; throws std::runtime_error when it
// cannot be created or belongs to another user.
std::filesystem::path PrivateFolder();

}  // namespace sitora::files
