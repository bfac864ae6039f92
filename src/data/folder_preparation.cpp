#include "data/folder_preparation.h"

#include "data/compaction.h"
#include "data/register_place.h"
#include "base/files/file_ops.h"

namespace sitora::data {
namespace {

constexpr const char* kFound = "db.mdb 是 Windows 版的 Access 数据库";
constexpr std::size_t kNotesShown = 10;

}  // namespace

FolderPreparation PrepareProgramFolder(const std::filesystem::path& folder) {
    FolderPreparation preparation;
    if (HasServerConfig(folder)) return preparation;
    files::RemoveStaleScratchFiles(folder);
    try {
        preparation.conversion = ConvertJetRegister(folder);
    } catch (const std::exception& failure) {
        preparation.refusal = failure.what();
    }
    RecoverInterruptedCompaction(folder);
    return preparation;
}

std::string ConversionMessage(const JetConversion& conversion, const std::string& line_break) {
    std::string text = std::string(kFound) + "，已转换为本程序的数据库，共 " +
                       std::to_string(conversion.report.records) + " 条记录。" + line_break + "原文件保存为 " +
                       conversion.original.filename().string() + "。";
    const auto& notes = conversion.report.notes;
    for (std::size_t i = 0; i < notes.size() && i < kNotesShown; ++i) text += line_break + notes[i];
    if (notes.size() > kNotesShown) text += line_break + "……";
    return text;
}

std::string ConversionRefusalMessage(const std::string& why, const std::string& line_break) {
    return std::string(kFound) + "，无法转换，原文件未作任何改动：" + line_break + why;
}

}  // namespace sitora::data
