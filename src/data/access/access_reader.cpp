#include "data/access/access_reader.h"

#include <mdbtools.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "data/data_error.h"
#include "base/files/file_ops.h"
#include "base/text/byte_strings.h"

namespace sitora::data {
namespace {

constexpr char kJetSignature[] = "\x00\x01\x00\x00Standard Jet DB";
constexpr std::size_t kBindSize = 1 << 18;  // a memo of 65,535 characters takes at most 196,605 bytes


constexpr std::size_t kMaskStart = 0x18;
constexpr std::size_t kMaskLength = 128;  // Jet 3 masks 126 bytes; the two more are not read

struct DatabasePage {
    std::string start;  // the signature, the version and the masked part, unmasked
    off_t file_size = 0;
};

// The start of page 0, read once; nothing unless `path` is a regular file that long. A FIFO in
// its place blocks nothing.
std::optional<DatabasePage> ReadDatabasePage(const std::filesystem::path& path) {
    const int fd = files::OpenRegularFile(path, O_RDONLY);
    if (fd < 0) return std::nullopt;
    DatabasePage page;
    page.start.resize(kMaskStart + kMaskLength);
    struct stat status {};
    const bool whole = fstat(fd, &status) == 0 &&
                       pread(fd, page.start.data(), page.start.size(), 0) == static_cast<ssize_t>(page.start.size());
    close(fd);
    if (!whole) return std::nullopt;
    page.file_size = status.st_size;
    ApplyJetHeaderMask(reinterpret_cast<unsigned char*>(page.start.data()) + kMaskStart, kMaskLength);
    return page;
}

bool HasSignature(const DatabasePage& page) {
    return page.start.compare(0, sizeof kJetSignature - 1, kJetSignature, sizeof kJetSignature - 1) == 0;
}

// Sets an environment variable for the life of the object (libmdb reads its Jet 3 code page
// from the environment when it opens a file).
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnvironment() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

struct TableCloser {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};
using Table = std::unique_ptr<MdbTableDef, TableCloser>;

// libmdb stops quietly at a page it cannot read; a table whose rows fall short of the count in
// its definition is damaged.
std::size_t RowsReadable(MdbTableDef* table) {
    mdb_rewind_table(table);
    std::size_t rows = 0;
    while (mdb_fetch_row(table)) ++rows;
    return rows;
}

// The catalogue (MSysObjects, always defined on page 2) must read whole, or tables go missing.
void RequireWholeCatalogue(MdbHandle* mdb, const std::string& file) {
    MdbCatalogEntry entry{};
    entry.mdb = mdb;
    entry.object_type = MDB_TABLE;
    entry.table_pg = 2;
    std::strcpy(entry.object_name, "MSysObjects");
    Table table(mdb_read_table(&entry));
    if (!table || !mdb_read_columns(table.get()) || RowsReadable(table.get()) != table->num_rows)
        throw DataError(file + " is damaged: its table catalogue cannot be read whole");
}

}  // namespace

struct AccessFile::Library {
    MdbHandle* mdb = nullptr;
    ~Library() {
        if (mdb) mdb_close(mdb);
    }
};

int AccessTable::ColumnIndex(std::string_view name) const {
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (text::EqualIgnoringAsciiCase(columns[i], name)) return static_cast<int>(i);
    return -1;
}

void ApplyJetHeaderMask(unsigned char* bytes, std::size_t length) {
    // RC4 keyed with 0x6B39DAC7, as the mdbtools format notes give it.
    unsigned char s[256];
    for (int i = 0; i < 256; ++i) s[i] = static_cast<unsigned char>(i);
    const unsigned char key[] = {0xC7, 0xDA, 0x39, 0x6B};
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + s[i] + key[i % 4]) & 0xFF;
        std::swap(s[i], s[j]);
    }
    for (std::size_t n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xFF;
        j = (j + s[i]) & 0xFF;
        std::swap(s[i], s[j]);
        bytes[n] ^= s[(s[i] + s[j]) & 0xFF];
    }
}

bool LooksLikeJetFile(const std::filesystem::path& path) {
    const auto page = ReadDatabasePage(path);
    return page && HasSignature(*page);
}

AccessFile::AccessFile(const std::filesystem::path& path) : library_(std::make_unique<Library>()) {
    const auto page = ReadDatabasePage(path);
    if (!page && !std::filesystem::is_regular_file(path))
        throw DataError("cannot open " + path.string() + ": no such regular file");
    if (!page || !HasSignature(*page)) throw DataError(path.string() + " is no Access (Jet) database");
    const char version = page->start[0x14];
    if (version != 0 && version != 1) throw DataError(path.string() + ": Access file of a version other than Jet 3 or 4");
    jet_version_ = version == 0 ? 3 : 4;
    const std::size_t page_size = jet_version_ == 3 ? 2048 : 4096;
    const off_t size = page->file_size;
    if (size < static_cast<off_t>(3 * page_size) || size % static_cast<off_t>(page_size) != 0)
        throw DataError(path.string() + " is damaged or cut short (" + std::to_string(size) + " bytes)");

    {
        // libmdb reads Jet 3 text in the file's own code page (page 0, at 0x3C).
        const int code_page = static_cast<unsigned char>(page->start[0x3C]) | static_cast<unsigned char>(page->start[0x3D]) << 8;
        const ScopedEnvironment charset("MDB_JET3_CHARSET", "CP" + std::to_string(code_page));
        library_->mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    }
    if (!library_->mdb) throw DataError("cannot read " + path.string() + " as an Access database");
    mdb_set_bind_size(library_->mdb, kBindSize);
    RequireWholeCatalogue(library_->mdb, path.string());
    GPtrArray* catalog = mdb_read_catalog(library_->mdb, MDB_TABLE);
    if (!catalog) throw DataError(path.string() + ": the table catalogue cannot be read");
    for (guint i = 0; i < catalog->len; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(catalog, i));
        if (entry->object_type != MDB_TABLE || mdb_is_system_table(entry)) continue;
        if (std::strncmp(entry->object_name, "MSys", 4) == 0 || entry->object_name[0] == '\0') continue;
        tables_.emplace_back(entry->object_name);
    }
}

AccessFile::~AccessFile() = default;

std::optional<AccessTable> AccessFile::ReadTable(std::string_view name) {
    const auto match = std::find_if(tables_.begin(), tables_.end(),
                                    [&](const std::string& table) { return text::EqualIgnoringAsciiCase(table, name); });
    if (match == tables_.end()) return std::nullopt;
    std::string found = *match;

    MdbHandle* mdb = library_->mdb;
    Table table(mdb_read_table_by_name(mdb, found.data(), MDB_TABLE));
    if (!table || !mdb_read_columns(table.get())) throw DataError("the table " + found + " cannot be read");
    AccessTable result;
    result.name = found;
    const unsigned columns = table->num_cols;
    std::vector<std::string> buffers(columns, std::string(kBindSize, '\0'));
    std::vector<int> lengths(columns, 0);
    std::vector<MdbColumn*> column(columns);
    for (unsigned i = 0; i < columns; ++i) {
        column[i] = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        result.columns.emplace_back(column[i]->name);
        if (column[i]->col_type != MDB_DATETIME) mdb_bind_column(table.get(), i + 1, buffers[i].data(), &lengths[i]);
    }
    mdb_rewind_table(table.get());
    while (mdb_fetch_row(table.get())) {
        auto& row = result.rows.emplace_back(columns);
        for (unsigned i = 0; i < columns; ++i) {
            const MdbColumn& col = *column[i];
            AccessValue& value = row[i];
            if (col.col_type == MDB_DATETIME) {
                if (col.cur_value_len == 0) continue;
                value.kind = AccessValue::Kind::kDateTime;
                value.day = mdb_get_double(mdb->pg_buf, col.cur_value_start);
                continue;
            }
            const bool text = col.col_type == MDB_TEXT || col.col_type == MDB_MEMO;
            if (lengths[i] == 0 && (!text || col.cur_value_len == 0)) {
                if (text) value.kind = AccessValue::Kind::kText;  // empty and NULL read alike
                continue;
            }
            if (static_cast<std::size_t>(lengths[i]) >= kBindSize - 1)
                throw DataError("the table " + found + " holds a value too long to read (column " + col.name + ")");
            value.kind = text ? AccessValue::Kind::kText : AccessValue::Kind::kNumber;
            value.text.assign(buffers[i].data(), static_cast<std::size_t>(lengths[i]));
            if (jet_version_ == 3 && col.col_type == MDB_TEXT)
                value.bytes.emplace(reinterpret_cast<const char*>(mdb->pg_buf) + col.cur_value_start,
                                    static_cast<std::size_t>(col.cur_value_len));
        }
    }
    if (result.rows.size() != table->num_rows)
        throw DataError("the table " + found + " is damaged: it records " + std::to_string(table->num_rows) +
                        " rows, " + std::to_string(result.rows.size()) + " can be read");
    return result;
}

}  // namespace sitora::data
