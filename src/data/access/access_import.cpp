#include "data/access/access_import.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>
#include <optional>

#include "data/access/access_reader.h"
#include "data/catalogue/columns.h"
#include "data/data_error.h"
#include "data/engine/sqlite/register_file_rows.h"
#include "data/register_files.h"
#include "base/files/file_ops.h"
#include "base/files/isolated_call.h"
#include "base/text/byte_strings.h"
#include "base/text/cp936.h"
#include "base/text/dates.h"

namespace sitora::data {
namespace {

struct Register : RegisterRows {
    std::vector<std::string> problems;  // each stops the conversion
    std::vector<std::string> notes;
};

constexpr std::size_t kProblemsShown = 20;

std::string Where(std::size_t record, const std::vector<Cell>& values, std::string_view column) {
    std::string where = "t_webinfo record " + std::to_string(record);
    if (values.at(0)) where += " (web_id " + *values[0] + ")";
    return where + ", " + std::string(column);
}

std::string TwoDigits(int value) { return (value < 10 ? "0" : "") + std::to_string(value); }

// A Jet Date/Time: whole days from 1899-12-30 (towards zero) and the time of day as the
// fraction's distance from it, also for days before 1899-12-30.
Cell DateCell(double jet_day, const std::string& where, Register& out) {
    const double whole = std::trunc(jet_day);
    const long seconds = std::lround(std::fabs(jet_day - whole) * 86400.0);
    using namespace std::chrono;
    const sys_days epoch = year_month_day{year{1899}, December, day{30}};
    const year_month_day date{epoch + days{static_cast<long>(whole)}};
    if (seconds != 0 && seconds != 86400) {
        out.problems.push_back(where + ": the time of day " + TwoDigits(static_cast<int>(seconds / 3600)) + ":" +
                               TwoDigits(static_cast<int>(seconds / 60 % 60)) + ":" +
                               TwoDigits(static_cast<int>(seconds % 60)) + " has no place in the register");
        return std::nullopt;
    }
    const int y = static_cast<int>(date.year());
    if (y < 2000 || y > 3000) out.notes.push_back(where + ": the year " + std::to_string(y) +
                                                  " lies outside the date lists (2000-3000); kept as it is");
    return text::IsoDate(date);
}

Cell ConvertCell(const AccessValue& value, std::string_view column, const std::string& where, Register& out) {
    using Kind = AccessValue::Kind;
    if (value.kind == Kind::kNull) return std::nullopt;
    if (IsDateColumn(column)) {
        if (value.kind == Kind::kDateTime) return DateCell(value.day, where, out);
        if (value.kind == Kind::kText && value.text.empty()) return std::nullopt;
        if (const auto date = text::ParseDate(value.text); date && value.kind == Kind::kText) return text::IsoDate(*date);
        out.problems.push_back(where + ": \"" + value.text + "\" is no date");
        return std::nullopt;
    }
    if (value.kind == Kind::kDateTime) {
        out.problems.push_back(where + ": a date where text belongs");
        return std::nullopt;
    }
    if (!IsProtectedColumn(column)) return value.text;
    // The Windows program stored code page 936 bytes: they must come back exactly.
    if (value.bytes) return *value.bytes;
    if (auto bytes = text::ToCp936Exactly(value.text)) return bytes;
    out.problems.push_back(where + ": the text has no code page 936 form, so its bytes cannot be restored");
    return std::nullopt;
}

void ReadRecords(const AccessTable& table, Register& out) {
    std::vector<int> source;
    for (std::string_view column : kRecordColumns) {
        source.push_back(table.ColumnIndex(column));
        if (source.back() < 0) out.notes.push_back("t_webinfo has no column " + std::string(column) + "; left empty");
    }
    for (const std::string& column : table.columns) {
        bool ours = text::EqualIgnoringAsciiCase(column, "id");
        for (std::string_view name : kRecordColumns) ours = ours || text::EqualIgnoringAsciiCase(column, name);
        if (!ours) out.notes.push_back("t_webinfo column " + column + " is not carried over");
    }
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        auto& values = out.records.emplace_back(kRecordColumns.size());
        const auto& row = table.rows[r];
        // The number first: it names the record in every report.
        if (source[0] >= 0) values[0] = ConvertCell(row[source[0]], kRecordColumns[0], "", out);
        for (std::size_t c = 1; c < kRecordColumns.size(); ++c)
            if (source[c] >= 0)
                values[c] = ConvertCell(row[source[c]], kRecordColumns[c], Where(r + 1, values, kRecordColumns[c]), out);
    }
}

void ReadSettings(std::optional<AccessTable> table, Register& out) {
    if (!table || table->rows.empty()) {
        out.notes.push_back(std::string(table ? "t_set has no row" : "there is no table t_set") +
                            "; the lead times start at 3 and 3 days");
        out.settings.emplace_back("3", "3");
        return;
    }
    const int space = table->ColumnIndex("web_alarm");
    const int domain = table->ColumnIndex("domain_alarm");
    for (const auto& row : table->rows) {
        auto cell = [&](int column) -> Cell {
            if (column < 0 || row[column].kind == AccessValue::Kind::kNull) return std::nullopt;
            return row[column].text;
        };
        out.settings.emplace_back(cell(space), cell(domain));
    }
}

Register ReadRegister(const std::filesystem::path& source) {
    AccessFile file(source);
    auto records = file.ReadTable("t_webinfo");
    if (!records) throw DataError(source.string() + " has no table t_webinfo: it is no register of this program");
    Register out;
    ReadRecords(*records, out);
    ReadSettings(file.ReadTable("t_set"), out);
    if (!out.problems.empty()) {
        std::string message = source.string() + " cannot be brought in exactly:";
        for (std::size_t i = 0; i < out.problems.size() && i < kProblemsShown; ++i) message += "\n  " + out.problems[i];
        if (out.problems.size() > kProblemsShown)
            message += "\n  ... and " + std::to_string(out.problems.size() - kProblemsShown) + " more";
        throw DataError(message);
    }
    return out;
}

// The register as bytes, to cross from the reading child to the caller.
class Packer {
public:
    void Size(std::size_t n) { bytes_.append(reinterpret_cast<const char*>(&n), sizeof n); }
    void Text(const std::string& text) { Size(text.size()), bytes_ += text; }
    void Value(const Cell& cell) {
        bytes_ += cell ? '1' : '0';
        if (cell) Text(*cell);
    }
    std::string bytes_;
};

class Unpacker {
public:
    explicit Unpacker(std::string_view bytes) : rest_(bytes) {}
    std::size_t Size() {
        std::size_t n;
        Take(&n, sizeof n);
        return n;
    }
    std::string Text() {
        const std::size_t n = Size();
        if (n > rest_.size()) throw DataError("the reader's answer is cut short");
        std::string text(rest_.substr(0, n));
        rest_.remove_prefix(n);
        return text;
    }
    Cell Value() {
        char present;
        Take(&present, 1);
        if (present == '0') return std::nullopt;
        return Text();
    }

private:
    void Take(void* out, std::size_t n) {
        if (n > rest_.size()) throw DataError("the reader's answer is cut short");
        std::memcpy(out, rest_.data(), n);
        rest_.remove_prefix(n);
    }
    std::string_view rest_;
};

std::string Pack(const Register& in) {
    Packer out;
    out.Size(in.records.size());
    for (const auto& record : in.records)
        for (const Cell& cell : record) out.Value(cell);
    out.Size(in.settings.size());
    for (const auto& [space, domain] : in.settings) out.Value(space), out.Value(domain);
    out.Size(in.notes.size());
    for (const auto& note : in.notes) out.Text(note);
    return std::move(out.bytes_);
}

Register Unpack(std::string_view bytes) {
    Unpacker in(bytes);
    Register out;
    for (std::size_t r = in.Size(); r > 0; --r) {
        auto& record = out.records.emplace_back();
        for (std::size_t c = 0; c < kRecordColumns.size(); ++c) record.push_back(in.Value());
    }
    for (std::size_t r = in.Size(); r > 0; --r) {
        Cell space = in.Value();
        out.settings.emplace_back(std::move(space), in.Value());
    }
    for (std::size_t n = in.Size(); n > 0; --n) out.notes.push_back(in.Text());
    return out;
}

// libmdb is not hardened against hostile files: it reads in a child process, so that a crash
// on a damaged db.mdb stops only the child and the caller reports it.
Register ReadRegisterIsolated(const std::filesystem::path& source) {
    try {
        return Unpack(files::CallIsolated([&] { return Pack(ReadRegister(source)); }));
    } catch (const files::IsolatedCallError& error) {
        throw DataError(error.ChildDied() ? source.string() + " is damaged: " + error.what() : error.what());
    }
}

// Where the original is kept: a db.jet.mdb, db.jet-2.mdb, ... that a killed run already made
// as a second name of this very file, or else the first of them that names nothing yet.
std::filesystem::path OriginalName(const std::filesystem::path& folder, const struct stat& database) {
    std::error_code ec;
    for (int n = 1;; ++n) {
        auto name = folder / KeptAccessFile(n);
        struct stat status {};
        if (lstat(name.c_str(), &status) != 0) return name;
        if (S_ISREG(status.st_mode) && status.st_dev == database.st_dev && status.st_ino == database.st_ino) return name;
    }
}

// A second name for the original: a hard link, or where the file system has none a flushed copy
// written exclusively. Never replaces a file.
bool KeepOriginal(const std::filesystem::path& database, const std::filesystem::path& original) {
    std::error_code ec;
    if (std::filesystem::equivalent(database, original, ec)) return true;  // kept by a killed run
    if (files::LinkFile(database, original)) return true;
    const auto bytes = files::ReadWholeFile(database, true);
    if (!bytes) return false;
    const int fd = files::OpenRegularFile(original, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    if (fd < 0) return false;
    const bool written = files::WriteAll(fd, *bytes) && files::SyncFile(fd);
    close(fd);
    if (!written || files::ReadWholeFile(original, true) != bytes) {
        files::RemoveFile(original);
        return false;
    }
    return true;
}

struct FileIdentity {
    dev_t device;
    ino_t inode;
    off_t size;
    timespec modified;
    bool operator==(const FileIdentity& other) const {
        return device == other.device && inode == other.inode && size == other.size &&
               modified.tv_sec == other.modified.tv_sec && modified.tv_nsec == other.modified.tv_nsec;
    }
};

std::optional<FileIdentity> IdentityOf(const std::filesystem::path& path) {
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino, status.st_size, status.st_mtim};
}

}  // namespace

AccessImportReport ImportAccessRegister(const std::filesystem::path& source, const std::filesystem::path& target) {
    const Register in = ReadRegisterIsolated(source);
    CreateRegisterFileWith(target, in);
    return {in.records.size(), in.settings.size(), in.notes};
}

void RefuseLinkedJetRegister(const std::filesystem::path& folder) {
    const auto database = folder / kRegisterFile;
    struct stat status {};
    if (lstat(database.c_str(), &status) != 0 || !S_ISLNK(status.st_mode) || !LooksLikeJetFile(database)) return;
    // Converting it where the link points would rename files in a folder that is not ours.
    std::error_code ec;
    const std::string target = std::filesystem::canonical(database, ec).string();
    throw DataError("db.mdb is a link to the Windows version's Access register " + target +
                    ": convert it with sitora-cli import-access " + target +
                    " --out NEW.mdb, then put NEW.mdb in place of the link");
}

std::optional<JetConversion> ConvertJetRegister(const std::filesystem::path& folder) {
    const auto database = folder / kRegisterFile;
    files::RemoveStaleScratchFiles(folder);
    RefuseLinkedJetRegister(folder);
    const auto before = IdentityOf(database);
    if (!before || !LooksLikeJetFile(database)) return std::nullopt;
    // A name of this run only: a user's file is never touched.
    const auto converted = files::ScratchPathFor(folder / "db.converted.mdb");
    JetConversion result;
    result.report = ImportAccessRegister(database, converted);
    bool kept = false;
    bool kept_before = false;
    auto give_up = [&](const std::string& why) {
        files::RemoveFile(converted);
        // While db.mdb is still the original, the second name (or copy) this run made for it can go.
        if (kept && !kept_before && IdentityOf(database) == before) files::RemoveFile(result.original);
        throw DataError(why + "; db.mdb is left as it was");
    };
    if (IdentityOf(database) != before) give_up("db.mdb changed while it was converted");
    struct stat status {};
    if (lstat(database.c_str(), &status) != 0) give_up("db.mdb cannot be read");
    result.original = OriginalName(folder, status);
    std::error_code ec;
    kept_before = std::filesystem::exists(std::filesystem::symlink_status(result.original, ec));
    kept = KeepOriginal(database, result.original);
    if (!kept || !files::SyncFolder(folder))
        give_up("the original cannot be kept as " + result.original.filename().string());
    // The name db.mdb moves to the new register in one step; the original keeps its other name.
    if (IdentityOf(database) != before || !files::RenameFile(converted, database))
        give_up("the converted register cannot take the name db.mdb");
    files::SyncFolder(folder);
    return result;
}

}  // namespace sitora::data
