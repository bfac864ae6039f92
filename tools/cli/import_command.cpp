// import: records from a CSV or text list, each checked as the add window checks an entry.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>

#include "data/data_error.h"
#include "data/import/list_file.h"
#include "data/import/list_import.h"
#include "data/import/list_source.h"
#include "base/files/file_ops.h"
#include "base/files/private_folder.h"
#include "commands.h"
#include "options.h"
#include "protect/data_key.h"
#include "register_access.h"
#include "translation.h"

namespace sitora::cli {
namespace {

std::string DataKey(const std::string& folder) {
    try {
        return protect::LoadDataKey(folder, files::PrivateFolder()).value_or("");
    } catch (const std::exception& error) {
        throw CommandError(DataKeyFailure(error));
    }
}

// A new file only: a template never replaces anything.
int WriteTemplate(const std::string& path) {
    const int fd = files::OpenRegularFile(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0644);
    if (fd < 0) throw CommandError(Fill(Tr("cannot create %s: %s"), {path, std::strerror(errno)}));
    const bool written = files::WriteAll(fd, data::ListTemplate());
    if (close(fd) != 0 || !written) {
        files::RemoveFile(path);
        throw CommandError(Fill(Tr("cannot create %s: %s"), {path, std::strerror(errno)}));
    }
    std::cout << Fill(Tr("template written to %s\n"), {path});
    return 0;
}

// A list that cannot be read, in the user's language: the reader reports its fault as a value
// with both wordings.
std::string FaultText(const data::DataError& error) {
    const auto* list_fault = dynamic_cast<const data::ListFileError*>(&error);
    return list_fault && ReadsChinese() ? data::ListFaultText(*list_fault) : std::string(error.what());
}

}  // namespace

int Import(const Arguments& args) {
    const Options options(args, {"--folder", "--template"}, {"--password-stdin", "--dry-run", "--skip-refused"});
    if (const auto template_path = options.Value("--template")) {
        if (!options.Positional().empty()) throw UsageError(Tr("import --template takes no list file"));
        return WriteTemplate(*template_path);
    }
    if (options.Positional().size() != 1) throw UsageError(Tr("import takes one list file"));
    const std::string& path = options.Positional()[0];
    // Read as a stream, twice (the encoding, then the rows): any size takes little memory. A
    // spreadsheet (.xls) is read whole and becomes the text of a list first.
    std::optional<data::ListSource> source;
    try {
        source.emplace(path);
    } catch (const data::DataError& error) {
        throw CommandError(Fill(Tr("%s: %s; nothing written"), {path, FaultText(error)}));
    }
    const std::string folder = ProgramFolder(options);
    CheckLoginPassword(options, folder);
    data::TDataModule1 module;
    Connect(module, folder);
    data::ListImportResult result;
    try {
        result = data::ImportList(module, source->Bytes(), DataKey(folder),
                                  {.dry_run = options.Flag("--dry-run"), .skip_refused = options.Flag("--skip-refused")});
    } catch (const data::DataError& error) {
        throw CommandError(Fill(Tr("%s: %s; nothing written"), {path, FaultText(error)}));
    }
    // A reason that many lines share is told once, with its count and lines.
    for (const data::RefusalGroup& group : data::GroupRefusals(result.refused)) {
        if (group.lines.size() <= 3) {
            for (const std::size_t line : group.lines) std::cerr << path << ":" << line << ": " << group.reason << "\n";
        } else {
            std::cerr << path << ": " << data::LinesText(group.lines) << "（共 " << group.lines.size()
                      << " 行）：" << group.reason << "\n";
        }
    }
    const std::size_t refused = result.refused.size();
    const std::string accepted_count = std::to_string(result.accepted), refused_count = std::to_string(refused);
    if (options.Flag("--dry-run"))
        std::cout << Fill(Tr("%s record(s) would be added, %s refused; nothing written\n"), {accepted_count, refused_count});
    else if (refused > 0 && !options.Flag("--skip-refused"))
        std::cout << Fill(Tr("%s row(s) refused; nothing written (--skip-refused adds the other %s)\n"),
                          {refused_count, accepted_count});
    else
        std::cout << Fill(Tr("%s record(s) added, %s refused\n"), {accepted_count, refused_count});
    if (refused == 0) return 0;
    return options.Flag("--skip-refused") ? 1 : 2;
}

}  // namespace sitora::cli
