// Any bytes found in a carrier file: reading its last block and loading its value must
// never crash, leak or read outside the file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "base/files/file_ops.h"
#include "protect/block_store.h"

namespace {

const std::filesystem::path& WorkFolder() {
    static const std::filesystem::path folder = [] {
        std::string pattern = (std::filesystem::temp_directory_path() / "sitora-fuzz-XXXXXX").string();
        return std::filesystem::path(mkdtemp(pattern.data()));
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto carrier = WorkFolder() / "key.exe";
    sitora::files::WriteWholeFile(carrier, std::string_view(reinterpret_cast<const char*>(data), size));
    sitora::protect::ReadLastBlock(carrier, WorkFolder() / "block.txt");
    auto value = sitora::protect::LoadValue(carrier, WorkFolder() / "passtemp.txt");
    if (value && value->size() > size) __builtin_trap();  // a value can only come from the file
    sitora::protect::FirstTextLine(std::string_view(reinterpret_cast<const char*>(data), size));
    return 0;
}
