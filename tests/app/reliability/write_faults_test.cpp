// The register's own writes failing at every call: the insert and the section saves either
// report the failure and leave db.mdb as it was, or succeed whole.
#include <gtest/gtest.h>

#include <cerrno>

#include "data/access/access_import.h"
#include "data/compaction.h"
#include "data/data_error.h"
#include "data/import/list_import.h"
#include "support/fault_vfs.h"
#include "data/catalogue/statements.h"
#include "base/files/file_ops.h"
#include "support/register_fixture.h"
#include "support/windows_register.h"
#include "support/failure_plan.h"

namespace sitora::test {
namespace {

class WriteFaults : public RegisterTest {
protected:
    void SetUp() override {
        data::UseFaultInjectingFileLayer();
        RegisterTest::SetUp();
        for (int i = 0; i < 20; ++i) Insert(SampleRecord(std::to_string(100 + i), "site" + std::to_string(100 + i)));
    }
    void TearDown() override { files::ClearFaultsForTesting(); }
    std::string Contents() {
        auto& list = module_.ADOQuery1;
        list.SetSQL("select web_id, web_remark, web_name, web_dbtype from t_webinfo");
        list.Open();
        std::string contents;
        for (int row = 0; row < list.RecordCount(); ++row)
            for (int c = 0; c < 4; ++c) contents += data::AsString(list.Value(row, c)) + "|";
        list.Close();
        return contents;
    }
    // Runs `write` with the Nth file call failing, for every N until a run needs no fault.
    void EveryCallFails(const std::function<void()>& write, const std::function<void()>& undo) {
        const std::string before = Contents();
        module_.ADOConnection1.Close();
        for (int call = 1; call < 200; ++call) {
            for (bool disk_full : {false, true}) {
                files::InjectFaultForTesting(call, disk_full ? ENOSPC : EIO, disk_full);
                bool reported_success = false;
                try {
                    write();
                    reported_success = true;
                } catch (const data::DataError&) {
                }
                const int calls = files::CallsSinceForTesting();
                files::ClearFaultsForTesting();
                module_.ADOConnection1.Close();  // as after a failure: the next query reopens
                const std::string after = Contents();
                if (reported_success) {
                    ASSERT_NE(after, before) << call;  // success means the new state is there
                    undo();
                    ASSERT_EQ(Contents(), before);
                } else {
                    ASSERT_EQ(after, before) << call;  // failure means nothing changed
                }
                if (calls < call) return;  // the fault fell after the last call: all covered
            }
        }
        FAIL() << "a write took more than 200 file calls";
    }
};

TEST_F(WriteFaults, TheInsertFailsWholeOrSucceedsWhole) {
    EveryCallFails(
        [this] {
            auto record = SampleRecord("999999", "new.com");
            record["web_remark"] = std::string(20000, 'n');
            Insert(record);
        },
        [this] {
            module_.ADOQuery4.SetSQL("delete from t_webinfo where web_id='999999'");
            module_.ADOQuery4.ExecSQL();
        });
}

TEST_F(WriteFaults, SectionSavesFailWholeOrSucceedWhole) {
    EveryCallFails(
        [this] {
            auto& query = module_.ADOQuery4;
            query.SetSQL(data::sql::kUpdateDatabase);
            for (const char* column : {"web_dbname", "web_dbsize", "web_dbip", "web_dbuser", "web_dbpass", "web_dbtype"})
                query.SetParameter(column, std::string(5000, 'd'));
            query.SetParameter("web_address", "site105");
            if (query.ExecSQL() != 1) throw data::DataError("no row");
        },
        [this] {
            module_.ADOQuery4.SetSQL("update t_webinfo set web_dbtype='MySQL' where web_address='site105'");
            module_.ADOQuery4.ExecSQL();
        });
}

TEST_F(WriteFaults, AListImportFailsWholeOrSucceedsWhole) {
    // A few long rows, and a thousand short ones: those go in by groups, the indexes sorted afresh.
    for (const auto& [rows, remark] : {std::pair{5, 3000}, std::pair{1000, 10}}) {
        std::string list = "网站编号,网站地址,空间申请日期,空间到期日期,域名申请日期,域名到期日期,备注信息\n";
        for (int i = 0; i < rows; ++i)
            list += std::to_string(500000 + i) + ",new" + std::to_string(i) + ".com," +
                    "2010-1-1,2011-1-1,2010-1-1,2011-1-1," + std::string(static_cast<std::size_t>(remark), 'r') + "\n";
        EveryCallFails([&] { data::ImportList(module_, list, "", {}); },
                       [this] {
                           module_.ADOQuery4.SetSQL("delete from t_webinfo where web_id like '50%'");
                           module_.ADOQuery4.ExecSQL();
                       });
    }
}

// Every file call of the conversion at connection failing in turn: db.mdb is either the
// verified register with the original beside it, or the untouched original.
TEST(ConversionFaults, AnAccessDbMdbIsConvertedWholeOrLeftAsItWas) {
    data::UseFaultInjectingFileLayer();
    for (int call = 1; call < 300; ++call) {
        for (bool disk_full : {false, true}) {
            TempFolder folder;
            WriteWindowsRegister(folder / "db.mdb", {{WindowsRecord("20100101000001", "a.com")}, "", true});
            const std::string original = ReadFile(folder / "db.mdb");
            files::InjectFaultForTesting(call, disk_full ? ENOSPC : EIO, disk_full);
            bool converted = false;
            try {
                converted = data::ConvertJetRegister(folder.path()).has_value();
            } catch (const data::DataError&) {
            }
            const int calls = files::CallsSinceForTesting();
            files::ClearFaultsForTesting();
            if (converted) {
                ASSERT_EQ(ReadFile(folder / "db.jet.mdb"), original) << call;
                ASSERT_TRUE(data::DatabaseIntact(folder / "db.mdb")) << call;
            } else {
                ASSERT_EQ(ReadFile(folder / "db.mdb"), original) << call;
                if (!disk_full) {
                    ASSERT_FALSE(std::filesystem::exists(folder / "db.jet.mdb")) << call;
                }
            }
            if (calls < call) return;
        }
    }
    FAIL() << "the conversion took more than 300 file calls";
}

}  // namespace
}  // namespace sitora::test
