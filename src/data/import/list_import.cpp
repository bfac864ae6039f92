#include "data/import/list_import.h"

#include <algorithm>
#include <future>
#include <optional>
#include <bit>
#include <cstdint>
#include <map>
#include <random>

#include "data/ado_connection.h"
#include "data/data_error.h"
#include "data/data_module.h"
#include "data/import/list_file.h"
#include "data/record_entry.h"
#include "data/engine/engine.h"
#include "data/catalogue/columns.h"
#include "base/text/byte_strings.h"
#include "base/text/dates.h"

namespace sitora::data {
namespace {

constexpr int kFirstListYear = 2000;
constexpr int kLastListYear = 3000;
// Rows checked (and their values worked out) on a second thread while the chunk before goes in.
constexpr std::size_t kChunkRows = 512;

// The date columns in the add window's order, with its captions.
constexpr std::pair<std::string_view, std::string_view> kDates[] = {
    {"web_time", "网站空间购买日期"},
    {"web_endtime", "网站空间到期时间"},
    {"web_domaintime", "网站域名申请时间"},
    {"web_enddomaintime", "网站域名到期时间"},
};

// The look-ups compare text without regard to (ASCII) case, as the register's do.
std::string LookUpKey(std::string_view text) { return text::AsciiLower(text); }

// The keys a list's rows are checked against, kept as 64-bit digests under a key drawn anew for
// each import: a million keys take 16 MB rather than the 100 MB of their texts. Two keys share a
// digest about once in 10^13 imports of a million rows.
class KeySet {
public:
    explicit KeySet(std::uint64_t seed) : seed_(seed) {}

    void Reserve(std::size_t keys) {
        if (keys * 2 > slots_.size()) Rehash(std::bit_ceil(std::max<std::size_t>(keys * 2, 64)));
    }
    // Where a key was first seen: the list's line, or 0 for the register; nothing when never.
    std::optional<std::size_t> Find(std::string_view key) const {
        if (slots_.empty()) return std::nullopt;
        const std::size_t at = Slot(Digest(key));
        if (slots_[at] == 0) return std::nullopt;
        return lines_[at];
    }
    void Insert(std::string_view key, std::size_t line = 0) {
        Reserve(count_ + 1);
        const std::uint64_t digest = Digest(key);
        const std::size_t at = Slot(digest);
        if (slots_[at] == 0) {
            ++count_;
            lines_[at] = static_cast<std::uint32_t>(line);
        }
        slots_[at] = digest;
    }
    std::size_t Size() const { return count_; }

private:
    std::uint64_t Digest(std::string_view key) const {
        std::uint64_t hash = seed_;
        for (unsigned char c : key) hash = (hash ^ c) * 0x100000001b3ull;  // FNV-1a from a secret start
        hash ^= hash >> 30;  // then mixed, so that every bit counts for the slot
        hash *= 0xbf58476d1ce4e5b9ull;
        hash ^= hash >> 27;
        hash *= 0x94d049bb133111ebull;
        hash ^= hash >> 31;
        return hash | 1;  // 0 marks an empty slot
    }
    // The slot that holds `digest`, or the empty one where it would go.
    std::size_t Slot(std::uint64_t digest) const {
        const std::size_t mask = slots_.size() - 1;
        std::size_t at = static_cast<std::size_t>(digest) & mask;
        while (slots_[at] != 0 && slots_[at] != digest) at = (at + 1) & mask;
        return at;
    }
    void Rehash(std::size_t size) {
        std::vector<std::uint64_t> old(size, 0);
        std::vector<std::uint32_t> old_lines(size, 0);
        old.swap(slots_);
        old_lines.swap(lines_);
        for (std::size_t i = 0; i < old.size(); ++i) {
            if (old[i] == 0) continue;
            const std::size_t at = Slot(old[i]);
            slots_[at] = old[i];
            lines_[at] = old_lines[i];
        }
    }

    std::uint64_t seed_;
    std::vector<std::uint64_t> slots_;
    std::vector<std::uint32_t> lines_;  // by slot: the line that brought the key, 0 the register
    std::size_t count_ = 0;
};

std::uint64_t RandomSeed() {
    std::random_device device;
    return (std::uint64_t{device()} << 32 | device()) ^ 0xcbf29ce484222325ull;
}

struct Present {
    KeySet addresses{RandomSeed()}, numbers{RandomSeed()};
};

// The register's keys, with room for the list's.
Present PresentInRegister(TADOQuery& query, std::size_t list_rows) {
    Present present;
    query.Close();
    query.SetSQL("select web_address,web_id from t_webinfo");
    query.Open();
    const std::size_t room = static_cast<std::size_t>(query.RecordCount()) + list_rows;
    present.addresses.Reserve(room);
    present.numbers.Reserve(room);
    for (int row = 0; row < query.RecordCount(); ++row) {
        if (auto address = query.Value(row, 0)) present.addresses.Insert(LookUpKey(*address));
        if (auto number = query.Value(row, 1)) present.numbers.Insert(LookUpKey(*number));
    }
    query.Close();
    return present;
}

// The row's cells moved into their columns.
RecordEntry EntryOf(const ListReader& list, ListRow& row) {
    RecordEntry entry;
    for (std::size_t c = 0; c < kRecordColumns.size(); ++c) {
        const int cell = list.CellOf()[c];
        if (cell >= 0 && static_cast<std::size_t>(cell) < row.cells.size()) entry.At(c) = std::move(row.cells[cell]);
    }
    return entry;
}

// A NUL byte is no character of any text: a server refuses it, and so does the register file.
bool HoldsNul(const RecordEntry& entry) {
    for (std::size_t c = 0; c < kRecordColumns.size(); ++c)
        if (entry.At(c).find('\0') != std::string::npos) return true;
    return false;
}

// A row's look-up keys, worked out once for the check and for the rows after it.
struct Keys {
    std::string number;  // trimmed, as the length rule counts it
    std::string address, number_key;
};

Keys KeysOf(const RecordEntry& entry) {
    Keys keys{TrimmedNumber(entry), LookUpKey(text::TrimBlanks(entry.At(RecordColumnIndex("web_address")))), {}};
    keys.number_key = LookUpKey(keys.number);
    return keys;
}

// The add window's checks in its order.
std::optional<std::string> Refusal(const RecordEntry& entry, const Keys& keys, const Present& present) {
    if (!NumberLongEnough(keys.number)) return std::string(kNumberTooShort);
    // A duplicate says what it clashes with: an earlier line of the list, or a record.
    const auto clash = [](std::string_view refusal, std::size_t line, std::string_view value) {
        return std::string(refusal) + (line ? "（与第 " + std::to_string(line) + " 行相同）"
                                            : "（登记簿中已有 " + std::string(value) + "）");
    };
    if (const auto line = present.addresses.Find(keys.address)) return clash(kAddressExists, *line, keys.address);
    if (const auto line = present.numbers.Find(keys.number_key)) return clash(kNumberExists, *line, keys.number);
    ListDate dates[4];
    for (int i = 0; i < 4; ++i) {
        const std::string& cell = entry.At(RecordColumnIndex(kDates[i].first));
        const std::string_view written = text::TrimBlanks(cell);
        const auto date = text::ParseWrittenDate(written);
        const int year = date ? static_cast<int>(date->year()) : 0;
        if (text::HasShortYear(written))
            return "日期无效：" + std::string(kDates[i].second) + " \"" + cell + "\"（年份须写四位数字）";
        if (!date || year < kFirstListYear || year > kLastListYear)
            return "日期无效：" + std::string(kDates[i].second) + " \"" + cell + "\"";
        dates[i] = {year, static_cast<int>(static_cast<unsigned>(date->month())),
                    static_cast<int>(static_cast<unsigned>(date->day()))};
    }
    if (auto refusal = DateOrderRefusal(dates[0], dates[1], dates[2], dates[3])) return std::string(*refusal);
    return std::nullopt;
}

// What the checks make of a chunk of the list's rows.
struct CheckedChunk {
    std::size_t rows = 0;
    std::vector<StoredRecord> accepted;  // empty for a dry run
    std::vector<RefusedRow> refused;
};

// Checks the rows in file order, each against the register and the rows before it.
class RowChecker {
public:
    // `register_key` seals the accounts of the rows to store; none for a dry run.
    RowChecker(ListReader& list, Present& present, const protect::SecretBytes* register_key)
        : list_(list), present_(present), register_key_(register_key) {}

    // The next rows of the list, read and checked; an empty chunk after the last.
    CheckedChunk Check() {
        CheckedChunk chunk;
        ListRow row;
        for (std::size_t r = 0; r < kChunkRows && list_.Next(row); ++r) {
            ++chunk.rows;
            RecordEntry entry = EntryOf(list_, row);
            Keys keys = KeysOf(entry);
            auto refusal = row.surplus     ? std::optional<std::string>("单元格多于标题")
                           : row.oversized ? std::optional<std::string>("单元格过长")
                           : HoldsNul(entry) ? std::optional<std::string>("单元格含有空字符 (NUL)")
                                             : Refusal(entry, keys, present_);
            const std::size_t line = row.line;
            if (refusal) {
                chunk.refused.push_back({line, std::move(*refusal)});
                continue;
            }
            present_.addresses.Insert(keys.address, line);
            present_.numbers.Insert(keys.number_key, line);
            // The dates as the register's forms write them ("2027年3月1日" is 2027-3-1).
            for (const auto& [column, caption] : kDates) {
                std::string& cell = entry.At(RecordColumnIndex(column));
                cell = text::ShortDate(*text::ParseWrittenDate(text::TrimBlanks(cell)));
            }
            if (register_key_) chunk.accepted.push_back(StoredValues(entry, *register_key_));
            ++accepted_;
        }
        return chunk;
    }
    std::size_t Accepted() const { return accepted_; }

private:
    ListReader& list_;
    Present& present_;
    const protect::SecretBytes* register_key_;
    std::size_t accepted_ = 0;
};

}  // namespace

std::vector<RefusalGroup> GroupRefusals(const std::vector<RefusedRow>& refused) {
    std::vector<RefusalGroup> groups;
    std::map<std::string, std::size_t> group_of;
    for (const RefusedRow& row : refused) {
        const auto [found, added] = group_of.emplace(row.reason, groups.size());
        if (added) groups.push_back({row.reason, {}});
        groups[found->second].lines.push_back(row.line);
    }
    return groups;
}

std::string LinesText(const std::vector<std::size_t>& lines, std::size_t shown) {
    std::string text = "第 ";
    std::size_t runs = 0;
    for (std::size_t i = 0; i < lines.size();) {
        std::size_t end = i;
        while (end + 1 < lines.size() && lines[end + 1] == lines[end] + 1) ++end;
        if (runs == shown) {
            text += " 等";
            break;
        }
        text += (runs ? "、" : "") + std::to_string(lines[i]) + (end > i ? "–" + std::to_string(lines[end]) : "");
        ++runs;
        i = end + 1;
    }
    return text + " 行";
}

ListImportResult ImportList(TDataModule1& module, ListBytes& bytes, std::string_view data_key,
                            const ListImportOptions& options) {
    ListReader list(bytes, options.encoding);
    ListImportResult result;
    auto& connection = module.ADOConnection1;
    // The key comes first, outside the transaction: one made inside it and undone would be lost.
    const protect::SecretBytes* register_key = options.dry_run ? nullptr : module.RegisterKey(data_key, true);
    if (!options.dry_run && !register_key) throw DataError(kKeyDoesNotOpen);
    // A dry run only reads: other writers go on meanwhile.
    connection.BeginTransaction(options.dry_run ? TransactionKind::kReading : TransactionKind::kWriting);
    try {
        Present present = PresentInRegister(module.ADOQuery2, std::min<std::size_t>(list.RowsAtMost(), 1 << 20));
        std::unique_ptr<RecordSink> writer;
        // Rows go in as they pass; a refusal the import may not skip ends the writing, and the
        // transaction is undone at the end.
        if (!options.dry_run)
            writer = connection.Register().OpenRecordSink(list.RowsAtMost(), present.numbers.Size());
        RowChecker checker(list, present, writer ? register_key : nullptr);
        // The list is read and checked a chunk ahead on a second thread while a chunk goes in.
        std::future<CheckedChunk> next = std::async(std::launch::async, &RowChecker::Check, &checker);
        for (std::size_t rows_done = 0;;) {
            CheckedChunk chunk = next.get();
            if (chunk.rows == 0) break;
            next = std::async(std::launch::async, &RowChecker::Check, &checker);
            rows_done += chunk.rows;
            if (options.progress) options.progress(rows_done, std::max(rows_done, list.RowsAtMost()));
            std::move(chunk.refused.begin(), chunk.refused.end(), std::back_inserter(result.refused));
            if (!options.skip_refused && !result.refused.empty()) writer.reset();
            if (writer)
                for (StoredRecord& record : chunk.accepted) writer->Add(std::move(record));
        }
        result.accepted = checker.Accepted();
        result.written = writer && result.accepted > 0;
        if (result.written) {
            writer->Finish();
            connection.CommitTransaction();
        } else {
            writer.reset();
            connection.RollbackTransaction();
        }
    } catch (...) {
        module.ADOQuery2.Close();
        connection.RollbackTransaction();
        throw;
    }
    return result;
}

ListImportResult ImportList(TDataModule1& module, std::string_view bytes, std::string_view data_key,
                            const ListImportOptions& options) {
    ListBytesInMemory source(bytes);
    return ImportList(module, source, data_key, options);
}

PreviewRow::PreviewRow(const ListRow& row) : line_(row.line) {
    ends_.reserve(row.cells.size());
    for (const std::string& cell : row.cells) {
        text_ += cell;
        ends_.push_back(static_cast<std::uint32_t>(text_.size()));  // cells and rows stay far below 4 GB
    }
}

std::string_view PreviewRow::Cell(std::size_t cell) const {
    if (cell >= ends_.size()) return {};
    const std::size_t start = cell == 0 ? 0 : ends_[cell - 1];
    return std::string_view(text_).substr(start, ends_[cell] - start);
}

ListPreview PreviewList(TDataModule1& module, ListBytes& bytes, const ListImportOptions& options) {
    ListPreview preview;
    {
        ListReader list(bytes, options.encoding);
        preview.headings = list.Headings();
        for (const std::string& heading : preview.headings) preview.columns.emplace_back(*ColumnForHeading(heading));
        preview.code_page_936 = list.CodePage936();
        for (ListRow row; list.Next(row);) preview.rows.emplace_back(row);
    }
    ListImportOptions dry_run = options;
    dry_run.dry_run = true;
    ListImportResult checked = ImportList(module, bytes, "", dry_run);
    // Both readings go through the rows in file order.
    auto row = preview.rows.begin();
    for (RefusedRow& refused : checked.refused) {
        while (row != preview.rows.end() && row->Line() < refused.line) ++row;
        if (row != preview.rows.end() && row->Line() == refused.line) row->refusal = std::move(refused.reason);
    }
    preview.accepted = checked.accepted;
    return preview;
}

}  // namespace sitora::data
