// A process that performs one of the register's writes, for crash tests that kill it.
//   crash_helper compact DIR
//   crash_helper store CARRIER TRANSFER VALUE COUNT   (stores VALUE0, VALUE1, ...)
//   crash_helper insert DIR FIRST COUNT              (records FIRST, FIRST+1, ...)
//   crash_helper save DIR ADDRESS COUNT              (the remark section save, "remark 0", ...)
// SITORA_CRASH_POINT="<operation>:<step>" makes it kill itself at that step;
// SITORA_NO_HARD_LINKS=1 makes it back up by a byte copy.
#include <cstdlib>
#include <iostream>
#include <string>

#include "data/compaction.h"
#include "data/data_module.h"
#include "data/catalogue/statements.h"
#include "support/failure_plan.h"
#include "base/files/file_ops.h"
#include "protect/block_store.h"
#include "support/register_fixture.h"

using namespace sitora;

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    if (const char* point = std::getenv("SITORA_CRASH_POINT")) files::PlanCrashForTesting(point);
    // As on a file system without hard links: the backup is a flushed byte copy.
    if (std::getenv("SITORA_NO_HARD_LINKS")) files::RefuseLinksForTesting(true);
    const std::string command = argv[1];
    const std::string folder = std::string(argv[2]) + "/";
    if (command == "compact") return data::CompactDatabase(argv[2]) ? 0 : 1;
    if (command == "store" && argc == 6) {
        for (int i = 0; i < std::atoi(argv[5]); ++i)
            if (!protect::StoreValue(argv[4] + std::to_string(i), argv[2], argv[3])) return 1;
        return 0;
    }
    data::TDataModule1 module;
    module.SetUpConnection(folder);
    if (command == "insert" && argc == 5) {
        const int first = std::atoi(argv[3]);
        for (int i = first; i < first + std::atoi(argv[4]); ++i) {
            auto record = test::SampleRecord(std::to_string(i), "site" + std::to_string(i) + ".com");
            record["web_remark"] = std::string(4000, 'r');
            module.ADOQuery2.SetSQL(data::sql::kInsertRecord);
            for (const auto& [name, value] : record) module.ADOQuery2.SetParameter(name, value);
            module.ADOQuery2.ExecSQL();
        }
        return 0;
    }
    if (command == "save" && argc == 5) {
        for (int i = 0; i < std::atoi(argv[4]); ++i) {
            module.ADOQuery4.SetSQL(data::sql::kUpdateRemark);
            module.ADOQuery4.SetParameter("web_remark", "remark " + std::to_string(i));
            module.ADOQuery4.SetParameter("web_address", argv[3]);
            if (module.ADOQuery4.ExecSQL() != 1) return 1;
        }
        return 0;
    }
    std::cerr << "crash_helper: unknown command\n";
    return 2;
}
