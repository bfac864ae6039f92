#include "data/account_upgrade.h"

#include "data/catalogue/columns.h"
#include "data/catalogue/statements.h"
#include "data/compaction.h"
#include "data/data_error.h"
#include "data/engine/server/server_register.h"
#include "data/engine/sqlite/file_compaction.h"
#include "data/record_entry.h"
#include "data/register_files.h"
#include "data/register_place.h"
#include "base/files/file_ops.h"
#include "base/text/cp936.h"
#include "protect/record_reveal.h"
#include "protect/sealed_value.h"

namespace sitora::data {
namespace {

void Tell(const std::function<void(UpgradeStep)>& observer, UpgradeStep step) {
    if (observer) observer(step);
}

struct AccountRow {
    std::string id, number, address;
    std::map<std::string, std::optional<std::string>> stored;
};

std::vector<AccountRow> ReadAccountRows(TADOQuery& query) {
    query.Close();
    query.SetSQL(sql::kAccountRows);
    query.Open();
    std::vector<AccountRow> rows;
    for (int row = 0; row < query.RecordCount(); ++row) {
        AccountRow account{AsString(query.Value(row, 0)), AsString(query.Value(row, 1)), AsString(query.Value(row, 2)), {}};
        for (int c = 3; c < query.FieldCount(); ++c) {
            const FieldValue value = query.Value(row, c);
            account.stored[query.FieldName(c)] = value ? std::optional<std::string>(std::string(*value)) : std::nullopt;
        }
        rows.push_back(std::move(account));
    }
    query.Close();
    return rows;
}

std::optional<protect::RevealedAccounts> Revealed(const AccountRow& row, std::string_view data_key,
                                                  const protect::SecretBytes& key) {
    const protect::ColumnReader column = [&row](std::string_view name) -> FieldValue {
        const auto& value = row.stored.at(std::string(name));
        return value ? FieldValue(*value) : std::nullopt;
    };
    try {
        return protect::RevealAccounts(column, text::ToCp936(row.number), data_key, row.address, &key);
    } catch (const protect::DowngradedAccount& downgraded) {
        throw DataError("record " + row.number + " " + row.address + ": " + downgraded.what());
    }
}

bool AllSealed(const AccountRow& row) {
    for (const auto& [column, value] : row.stored)
        if (!value || !protect::IsSealed(*value)) return false;
    return true;
}

// Seals every old value of the register inside the caller's transaction and reads it back. A
// record's revealed values live only while it is sealed or checked: what is kept of them for the
// read-back is a keyed digest, so a register of any size needs the secret memory of one record.
void Convert(TDataModule1& module, std::string_view data_key, const protect::SecretBytes& key, bool leave_other_keys,
             UpgradeReport& report) {
    const protect::SecretBytes digest_key = protect::RandomSecret(32);
    std::vector<AccountRow> rows = ReadAccountRows(module.ADOQuery4);
    std::map<std::string, std::string> expected;  // id -> digest of what the record revealed
    for (const AccountRow& row : rows) {
        if (AllSealed(row)) {
            ++report.already_sealed;
            continue;
        }
        const auto revealed = Revealed(row, data_key, key);
        if (!revealed) {
            report.other_key.push_back(row.number + " " + row.address);
            continue;
        }
        expected[row.id] = protect::RevealedDigest(*revealed, digest_key);
    }
    if (!report.other_key.empty() && !leave_other_keys) return;
    auto& update = module.ADOQuery4;
    update.SetSQL(sql::kUpdateAccounts);
    for (const AccountRow& row : rows) {
        if (!expected.contains(row.id)) continue;
        const auto revealed = Revealed(row, data_key, key);
        if (!revealed) throw DataError("a record changed while its accounts were sealed");
        update.ResetForNewValues();
        for (const std::string_view column : kProtectedColumns) {
            const auto& stored = row.stored.at(std::string(column));
            // A value sealed already stays as it is; the rest is sealed now.
            update.SetParameter(column, stored && protect::IsSealed(*stored)
                                            ? *stored
                                            : protect::SealValue(key, column, row.address,
                                                                 revealed->at(std::string(column)).view()));
        }
        update.SetParameter("id", row.id);
        if (update.ExecSQL() != 1) throw DataError("a record changed while its accounts were sealed");
    }
    rows.clear();
    // Read back: every record opens to exactly what it revealed before.
    for (const AccountRow& row : ReadAccountRows(module.ADOQuery4)) {
        const auto wanted = expected.find(row.id);
        if (wanted == expected.end()) continue;
        const auto revealed = Revealed(row, data_key, key);
        if (!AllSealed(row) || !revealed || protect::RevealedDigest(*revealed, digest_key) != wanted->second)
            throw DataError("a sealed record did not read back as it was");
    }
    report.converted = static_cast<int>(expected.size());
}

}  // namespace

UpgradeReport UpgradeAccounts(TDataModule1& module, const std::filesystem::path& program_folder,
                              std::string_view data_key, bool leave_other_keys,
                              const std::function<void(UpgradeStep)>& observer) {
    UpgradeReport report;
    const protect::SecretBytes* key = module.RegisterKey(data_key, /*create=*/true);
    if (!key) throw DataError(kKeyDoesNotOpen);
    const bool on_file = !HasServerConfig(program_folder);
    if (on_file) {
        CopyRegisterFile(program_folder, kProtectBackupFile);
        Tell(observer, UpgradeStep::kBackupWritten);
    }
    auto& connection = module.ADOConnection1;
    connection.BeginTransaction(TransactionKind::kWriting);
    try {
        Convert(module, data_key, *key, leave_other_keys, report);
        if ((!report.other_key.empty() && !leave_other_keys) || report.converted == 0) {
            connection.RollbackTransaction();
            if (on_file) files::RemoveFile(program_folder / kProtectBackupFile);
            return report;
        }
        Tell(observer, UpgradeStep::kConverted);
        connection.CommitTransaction();
    } catch (...) {
        module.ADOQuery4.Close();
        connection.RollbackTransaction();
        throw;
    }
    report.written = true;
    Tell(observer, UpgradeStep::kCommitted);
    if (!on_file) {
        // The old values stay in the table's file until the server rewrites it; what the server
        // keeps beyond that (its WAL, archives, backups) is the README's to tell.
        try {
            VacuumServerRegister(*ServerUriOf(program_folder), /*rewrite=*/true);
        } catch (const DataError& error) {
            throw DataError(std::string("the accounts are sealed, but the server did not rewrite t_webinfo (") +
                            error.what() + "): its owner should run VACUUM FULL t_webinfo");
        }
        Tell(observer, UpgradeStep::kScrubbed);
    }
    if (on_file) {
        // The compaction writes a fresh file of what is live and swaps it in, guarded: nothing of
        // the old values' pages goes along.
        connection.Close();
        if (!CompactDatabase(program_folder)) throw DataError("the accounts are sealed, but db.mdb could not be compacted: run compact");
        Tell(observer, UpgradeStep::kScrubbed);
        files::RemoveFile(program_folder / kProtectBackupFile);
        files::SyncFolder(program_folder);
        Tell(observer, UpgradeStep::kBackupRemoved);
    }
    return report;
}

}  // namespace sitora::data
