#pragma once
// What a program folder needs before its register is opened, done alike by the window and by
// sitora-cli, whichever meets the folder first: an Access db.mdb of the Windows version is
// converted, and a compaction cut short is finished or undone. A folder whose register.conf
// names a server register is left as it is.
#include <filesystem>
#include <optional>
#include <string>

#include "data/access/access_import.h"

namespace sitora::data {

struct FolderPreparation {
    std::optional<JetConversion> conversion;  // the Access db.mdb converted by this call
    std::optional<std::string> refusal;       // why an Access db.mdb could not be converted (left as it was)
};

FolderPreparation PrepareProgramFolder(const std::filesystem::path& folder);

// The words shown for a conversion and for a refused one, lines parted by `line_break`
// ("\r" in the window's boxes, "\n" on a terminal).
std::string ConversionMessage(const JetConversion& conversion, const std::string& line_break);
std::string ConversionRefusalMessage(const std::string& why, const std::string& line_break);

}  // namespace sitora::data
