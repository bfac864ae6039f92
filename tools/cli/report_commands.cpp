// due, list and show: the register read from the command line with the program's own
// statements, due rule and protected-field reading.
#include <algorithm>
#include <iostream>

#include "data/expiry_rules.h"
#include "data/catalogue/columns.h"
#include "data/catalogue/statements.h"
#include "base/files/private_folder.h"
#include "base/text/byte_strings.h"
#include "base/text/cp936.h"
#include "commands.h"
#include "due_notice.h"
#include "output_formats.h"
#include "protect/data_key.h"
#include "protect/record_reveal.h"
#include "register_access.h"
#include "remind/reminder_log.h"
#include "translation.h"

namespace sitora::cli {
namespace {

std::string DaysText(int days) {
    if (days == 0) return Tr("due today");
    const unsigned long count = static_cast<unsigned long>(days > 0 ? days : -days);
    const char* pattern =
        days > 0 ? TrPlural("%s day left", "%s days left", count) : TrPlural("%s day overdue", "%s days overdue", count);
    return Fill(pattern, {std::to_string(count)});
}

// The program folder checked, the password asked, db.mdb connected.
void OpenRegister(const Options& options, data::TDataModule1& module) {
    const std::string folder = ProgramFolder(options);
    CheckLoginPassword(options, folder);
    Connect(module, folder);
}

}  // namespace

int Due(const Arguments& args) {
    const Options options(args, {"--folder", "--as-of", "--format"}, {"--password-stdin", "--notify"});
    const OutputFormat format = ParseFormat(options.ValueOr("--format", "text"), {"text", "csv", "json"});
    const text::Date today = Today(options);
    data::TDataModule1 module;
    OpenRegister(options, module);

    if (options.Flag("--notify")) {
        // Told, not printed: cron mails whatever a job prints.
        const std::string folder = ProgramFolder(options);
        const remind::NotifyConfig config = ReadNotifyConfig(folder);
        const remind::DueNow now =
            remind::ListDueNow(module.ADOQuery5, remind::RegisterIdOf(folder), today, config.heads_up_days);
        const int failed = SendDueNotice(folder, config, now, today);
        const bool any_due = std::any_of(now.due.begin(), now.due.end(), [](const remind::DueItem& item) {
            return item.kind == remind::DueKind::kSpace || item.kind == remind::DueKind::kDomain;
        });
        return failed ? failed : (any_due ? 1 : 0);
    }
    const data::Thresholds thresholds = data::ReadThresholds(module.ADOQuery4, today);
    const std::vector<data::RunOut> items = data::ListRunOuts(module.ADOQuery5, thresholds);
    Table table{{"web_id", "web_name", "web_address", "due", "date", "days"}, {}, {"days"}};
    for (const data::RunOut& item : items) {
        std::vector<std::string> row{item.number, item.name, item.address};
        const char* what = item.is_space ? TrLater("space") : TrLater("domain");
        row.push_back(format == OutputFormat::kText ? Tr(what) : what);
        row.push_back(text::ShortDate(item.date));
        const int days = text::DaysBetween(today, item.date);
        row.push_back(format == OutputFormat::kText ? DaysText(days) : std::to_string(days));
        table.rows.push_back(row);
    }
    WriteTable(std::cout, table, format);
    return items.empty() ? 0 : 1;
}

int List(const Arguments& args) {
    const Options options(args, {"--folder", "--format"}, {"--password-stdin"});
    const OutputFormat format = ParseFormat(options.ValueOr("--format", "text"), {"text", "csv", "json"});
    data::TDataModule1 module;
    OpenRegister(options, module);
    auto& list = module.ADOQuery1;
    list.Open();
    Table table;
    for (int column = 0; column < list.FieldCount(); ++column) table.columns.push_back(list.FieldName(column));
    for (int row = 0; row < list.RecordCount(); ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < list.FieldCount(); ++column) cells.push_back(data::AsString(list.Value(row, column)));
        table.rows.push_back(std::move(cells));
    }
    WriteTable(std::cout, table, format);
    return 0;
}

int Show(const Arguments& args) {
    const Options options(args, {"--folder", "--format"}, {"--password-stdin", "--reveal"});
    const OutputFormat format = ParseFormat(options.ValueOr("--format", "text"), {"text", "json"});
    if (options.Positional().size() != 1) throw UsageError(Tr("show wants one ADDRESS"));
    const std::string address = options.Positional()[0];
    // No record's address holds bytes that are no text: a server would refuse the look-up itself.
    if (!text::IsValidUtf8(address) || address.find('\0') != std::string::npos)
        throw CommandError(Fill(Tr("no record has the address %s"), {address}));
    data::TDataModule1 module;
    OpenRegister(options, module);
    auto& query = module.ADOQuery3;
    query.SetSQL(data::sql::LoadRecord(text::TrimBlanks(address)));
    query.Open();
    if (query.RecordCount() == 0) throw CommandError(Fill(Tr("no record has the address %s"), {address}));

    std::optional<protect::RevealedAccounts> accounts;
    if (options.Flag("--reveal")) {
        std::optional<std::string> key;
        try {
            key = protect::LoadDataKey(ProgramFolder(options), files::PrivateFolder());
        } catch (const std::exception& error) {
            throw CommandError(DataKeyFailure(error));
        }
        const std::string number = text::ToCp936(data::AsString(query.FieldByName("web_id")));
        const protect::ColumnReader column = [&query](std::string_view name) { return query.FieldByName(name); };
        const protect::SecretBytes* register_key =
            protect::HasSealedAccounts(column) ? module.RegisterKey(key.value_or(""), false) : nullptr;
        accounts = protect::RevealAccounts(column, number, key.value_or(""), data::AsString(query.FieldByName("web_address")),
                                           register_key);
        if (!accounts) throw CommandError(Tr("the record was written under another data key: refused"));
    }
    std::vector<std::pair<std::string, std::string>> fields;
    for (int column = 0; column < query.FieldCount(); ++column) {
        const std::string name = query.FieldName(column);
        if (data::IsProtectedColumn(name)) {
            if (accounts) fields.emplace_back(name, text::FromCp936(accounts->at(name).view()));
            continue;
        }
        fields.emplace_back(name, data::AsString(query.Field(column)));
    }
    WriteRecord(std::cout, fields, format, {"id"});
    return 0;
}

}  // namespace sitora::cli
