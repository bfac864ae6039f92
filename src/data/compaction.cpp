#include "data/compaction.h"

#include "data/engine/server/server_register.h"
#include "data/engine/sqlite/file_compaction.h"
#include "data/register_place.h"

namespace sitora::data {

bool CompactDatabase(const std::filesystem::path& folder, const StepObserver& observer) {
    // A register on a server is kept compact by the server itself: no files to swap.
    try {
        if (auto uri = ServerUriOf(folder)) {
            VacuumServerRegister(*uri);
            return true;
        }
    } catch (const std::exception&) {
        return false;
    }
    return CompactRegisterFile(folder, observer);
}

}  // namespace sitora::data
