#include "app/data/list_import.h"

#include <algorithm>
#include <unordered_set>

#include "app/data/data_error.h"
#include "app/data/data_module.h"
#include "app/data/list_file.h"
#include "app/data/record_entry.h"
#include "app/data/schema.h"
#include "app/text/byte_strings.h"
#include "app/text/dates.h"

namespace sitora::data {
namespace {

constexpr int kFirstListYear = 2000;
constexpr int kLastListYear = 3000;
constexpr std::size_t kBulkRows = 1000;

// The date columns in the add window's order, with its captions.
constexpr std::pair<std::string_view, std::string_view> kDates[] = {
    {"web_time", "网站空间购买日期"},
    {"web_endtime", "网站空间到期时间"},
    {"web_domaintime", "网站域名申请时间"},
    {"web_enddomaintime", "网站域名到期时间"},
};

// The look-ups compare text without regard to (ASCII) case, as the register's do.
std::string LookUpKey(std::string_view text) { return text::AsciiLower(text); }

struct Present {
    std::unordered_set<std::string> addresses, numbers;
};

Present PresentInRegister(TADOQuery& query) {
    Present present;
    query.Close();
    query.SetSQL("select web_address,web_id from t_webinfo");
    query.Open();
    present.addresses.reserve(static_cast<std::size_t>(query.RecordCount()) * 2 + 1024);
    present.numbers.reserve(static_cast<std::size_t>(query.RecordCount()) * 2 + 1024);
    for (int row = 0; row < query.RecordCount(); ++row) {
        if (auto address = query.Value(row, 0)) present.addresses.insert(LookUpKey(*address));
        if (auto number = query.Value(row, 1)) present.numbers.insert(LookUpKey(*number));
    }
    query.Close();
    return present;
}

RecordEntry EntryOf(const ListFile& list, const ListRow& row) {
    RecordEntry entry;
    for (std::size_t c = 0; c < kRecordColumns.size(); ++c) {
        const int cell = list.cell_of[c];
        if (cell >= 0 && static_cast<std::size_t>(cell) < row.cells.size()) entry.At(c) = row.cells[cell];
    }
    return entry;
}

bool ExtraCells(const ListFile& list, const ListRow& row) {
    const int headings = *std::max_element(list.cell_of.begin(), list.cell_of.end()) + 1;
    for (std::size_t i = static_cast<std::size_t>(headings); i < row.cells.size(); ++i)
        if (!text::TrimBlanks(row.cells[i]).empty()) return true;
    return false;
}

// The add window's checks in its order; the dates, when they pass, in their stored form.
std::optional<std::string> Refusal(RecordEntry& entry, const Present& present) {
    const std::string number = TrimmedNumber(entry);
    if (!NumberLongEnough(number)) return std::string(kNumberTooShort);
    if (present.addresses.count(LookUpKey(text::TrimBlanks(entry["web_address"])))) return std::string(kAddressExists);
    if (present.numbers.count(LookUpKey(number))) return std::string(kNumberExists);
    ListDate dates[4];
    for (int i = 0; i < 4; ++i) {
        std::string& cell = entry[kDates[i].first];
        const auto date = text::ParseDate(text::TrimBlanks(cell));
        const int year = date ? static_cast<int>(date->year()) : 0;
        if (!date || year < kFirstListYear || year > kLastListYear)
            return "日期无效：" + std::string(kDates[i].second) + " \"" + cell + "\"";
        dates[i] = {year, static_cast<int>(static_cast<unsigned>(date->month())),
                    static_cast<int>(static_cast<unsigned>(date->day()))};
        cell = text::IsoDate(*date);
    }
    if (auto refusal = DateOrderRefusal(dates[0], dates[1], dates[2], dates[3])) return std::string(*refusal);
    return std::nullopt;
}

}  // namespace

ListImportResult ImportList(TDataModule1& module, std::string_view bytes, std::string_view data_key,
                            const ListImportOptions& options) {
    const ListFile list = ReadListFile(bytes);
    ListImportResult result;
    auto& connection = module.ADOConnection1;
    connection.BeginTransaction();
    try {
        Present present = PresentInRegister(module.ADOQuery2);
        const std::size_t records_before = present.numbers.size();
        std::vector<RecordEntry> accepted;
        accepted.reserve(list.rows.size());
        for (const ListRow& row : list.rows) {
            RecordEntry entry = EntryOf(list, row);
            auto refusal = ExtraCells(list, row) ? std::optional<std::string>("单元格多于标题") : Refusal(entry, present);
            if (refusal) {
                result.refused.push_back({row.line, std::move(*refusal)});
                continue;
            }
            present.addresses.insert(LookUpKey(text::TrimBlanks(entry["web_address"])));
            present.numbers.insert(LookUpKey(TrimmedNumber(entry)));
            accepted.push_back(std::move(entry));
        }
        result.accepted = accepted.size();
        const bool write = !options.dry_run && (options.skip_refused || result.refused.empty()) && !accepted.empty();
        if (write) {
            // Many rows into a small register: its indexes are built once afterwards, by a sort.
            const bool rebuild =
                accepted.size() >= kBulkRows && accepted.size() >= records_before && !connection.OnServer();
            if (rebuild) DropRegisterIndexes(connection.Handle());
            connection.BeginBatch();
            for (const RecordEntry& entry : accepted) InsertRecord(module.ADOQuery2, entry, data_key);
            connection.EndBatch();
            if (rebuild) CreateRegisterIndexes(connection.Handle());
            connection.CommitTransaction();
        } else {
            connection.RollbackTransaction();
        }
        result.written = write;
    } catch (...) {
        module.ADOQuery2.Close();
        connection.RollbackTransaction();
        throw;
    }
    return result;
}

}  // namespace sitora::data
