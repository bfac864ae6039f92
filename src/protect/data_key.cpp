#include "protect/data_key.h"

#include "protect/block_store.h"

namespace sitora::protect {

std::optional<std::string> LoadDataKey(const std::filesystem::path& program_folder,
                                       const std::filesystem::path& private_folder) {
    return LoadValue(program_folder / "sk.exe", private_folder / kKeyLoadTransfer);
}

}  // namespace sitora::protect
