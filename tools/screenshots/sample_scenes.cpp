#include "sample_scenes.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QTabWidget>
#include <QWidget>
#include <filesystem>
#include <iostream>
#include <stdlib.h>

#include "data/engine/engine.h"
#include "data/catalogue/statements.h"
#include "base/files/file_ops.h"
#include "base/text/cp936.h"
#include "protect/block_store.h"
#include "protect/protected_fields.h"
#include "ui/aux/banner_window.h"
#include "ui/aux/help_window.h"
#include "ui/expiry/expiry_window.h"
#include "ui/toolkit/desktop_services.h"
#include "ui/login/login_window.h"
#include "ui/main/main_window.h"
#include "ui/records/add_window.h"
#include "ui/records/detail_window.h"
#include "ui/settings/settings_window.h"
#include "ui/toolkit/unattended_services.h"
#include "ui/window_set.h"

namespace sitora::screenshots {
namespace {

struct Sample {
    const char* number;
    const char* name;
    const char* address;
    const char* space_end;
    const char* domain_end;
};

const Sample kSamples[] = {
    {"20110301090000", "华东贸易公司官网", "www.huadong-trade.com", "2011-3-12", "2012-5-1"},
    {"20110302100000", "星河科技", "www.xinghe-tech.cn", "2013-6-30", "2011-3-14"},
    {"20110303110000", "绿源农场商城", "shop.lvyuan.com.cn", "2014-1-1", "2014-1-1"},
    {"20110304120000", "Sunrise Hotel", "www.sunrise-hotel.com", "2010-12-31", "2011-2-28"},
    {"20110305130000", "明德中学", "www.mingde.edu.cn", "2015-9-1", "2015-9-1"},
};

const std::string kDataKey = "示例密钥";

void FillRegister(const std::filesystem::path& folder) {
    data::CreateRegister(data::FileConnectionString(folder / "db.mdb"));
    data::TDataModule1 module;
    module.SetUpConnection(folder.string() + "/");
    const std::string key = text::ToCp936(kDataKey);
    for (const Sample& s : kSamples) {
        auto& q = module.ADOQuery2;
        q.SetSQL(data::sql::kInsertRecord);
        const std::string number = s.number;
        auto set = [&](const char* column, const std::string& value) { q.SetParameter(column, value); };
        auto secret = [&](const char* column, const std::string& value) {
            q.SetParameter(column, protect::ProtectValue(text::ToCp936(value), number));
        };
        set("web_id", number);
        set("web_name", s.name);
        set("web_address", s.address);
        set("web_login", std::string(s.address) + "/admin");
        secret("web_user", "admin");
        secret("web_pass", "p@ssw0rd");
        set("web_ip", "203.0.113.17");
        set("web_size", "500M");
        set("web_domain", s.address + 4);
        q.SetParameter("web_domainuser", protect::ProtectDomainUser(text::ToCp936("域名管理员"), number, key));
        secret("web_domainpass", "dom#2011");
        set("web_linkman", "王小明");
        secret("web_dbname", "site_db");
        set("web_dbsize", "100M");
        secret("web_dbip", "10.0.0.5");
        secret("web_dbuser", "dbadmin");
        secret("web_dbpass", "db-secret");
        set("web_dbtype", "MySQL");
        set("web_time", "2010-3-1");
        set("web_endtime", s.space_end);
        set("web_domaintime", "2010-3-1");
        set("web_enddomaintime", s.domain_end);
        set("web_remark", "年付客户\r\n续费前电话确认");
        q.ExecSQL();
    }
}

bool Save(QWidget* window, const QString& folder, const char* name) {
    QApplication::processEvents();
    const QString path = folder + "/" + name + ".png";
    if (!window->grab().save(path)) {
        std::cerr << "cannot write " << path.toStdString() << "\n";
        return false;
    }
    std::cout << path.toStdString() << "\n";
    return true;
}

}  // namespace

int RenderAll(const QString& output_folder) {
    std::string pattern = (std::filesystem::temp_directory_path() / "sitora-shots-XXXXXX").string();
    const std::filesystem::path folder = mkdtemp(pattern.data());
    const std::filesystem::path private_folder = folder / "private";
    std::filesystem::create_directory(private_folder);
    FillRegister(folder);
    files::WriteWholeFile(folder / "key.exe", "");
    files::WriteWholeFile(folder / "sk.exe", "");
    protect::StoreValue(text::ToCp936(kDataKey), folder / "sk.exe", private_folder / "sks.txt");
    std::filesystem::copy_file(SITORA_RESOURCES_DIR "/banner.htm", folder / "banner.htm");

    data::TDataModule1 module;
    ui::UnattendedServices unattended;
    ui::AppContext context{QString::fromStdString(folder.string() + "/"), private_folder, module,
                           unattended.services(), [] {}, true};
    bool ok = true;
    {
        ui::WindowSet windows(context);
        windows.Form6()->show();
        ok &= Save(windows.Form6(), output_folder, "login");
        windows.Form6()->findChild<QPushButton*>("BitBtn2")->click();
        ok &= Save(windows.Form6(), output_folder, "login-change-password");
        windows.Form6()->findChild<QPushButton*>("BitBtn1")->click();

        windows.Form1()->findChild<QPushButton*>("BitBtn1")->click();
        windows.Form1()->findChild<QPushButton*>("BitBtn8")->click();
        ok &= Save(windows.Form1(), output_folder, "main");
        windows.Form1()->findChild<QPushButton*>("BitBtn9")->click();
        ok &= Save(windows.Form1(), output_folder, "main-search-bar");
        ok &= Save(windows.Form8(), output_folder, "banner");

        windows.Form2()->show();
        ok &= Save(windows.Form2(), output_folder, "add");
        windows.Form3()->OpenRecord(kSamples[0].address, false);
        ok &= Save(windows.Form3(), output_folder, "detail");
        windows.Form4()->show();
        windows.Form4()->findChild<QPushButton*>("BitBtn4")->click();
        ok &= Save(windows.Form4(), output_folder, "expiry");
        windows.Form5()->show();
        auto* tabs = windows.Form5()->findChild<QTabWidget*>("PageControl1");
        const char* tab_names[] = {"settings-lead-times", "settings-compaction", "settings-data-key"};
        for (int tab = 0; tab < 3; ++tab) {
            tabs->setCurrentIndex(tab);
            ok &= Save(windows.Form5(), output_folder, tab_names[tab]);
        }
        windows.Form7()->show();
        ok &= Save(windows.Form7(), output_folder, "help");

        // Qt's own dialogs in Chinese: a question box and the save dialog.
        ui::InstallChineseQtTexts();
        QMessageBox question(QMessageBox::Question, "提示", "确定要删除这2条记录吗？", QMessageBox::Ok | QMessageBox::Cancel);
        question.show();
        ok &= Save(&question, output_folder, "message-box");
        QFileDialog save(nullptr, "导出数据");
        save.setOption(QFileDialog::DontUseNativeDialog);
        save.setAcceptMode(QFileDialog::AcceptSave);
        save.setNameFilters({"*.xls", "*.csv", "*.htm", "*.rtf", "*.txt"});
        save.resize(640, 420);
        save.show();
        ok &= Save(&save, output_folder, "save-dialog");
    }
    std::filesystem::remove_all(folder);
    return ok ? 0 : 1;
}

}  // namespace sitora::screenshots
