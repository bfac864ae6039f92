#pragma once
// The main window: the record list, the expiry counters, the record commands and the
// notification-area icon.
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "protect/secret_bytes.h"
#include "ui/app_context.h"

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSystemTrayIcon;

namespace sitora::data {
struct FolderPreparation;
}  // namespace sitora::data

namespace sitora::ui {

class DataGrid;
class SearchBar;
class ExportCommand;
class DueReminder;

class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(AppContext& context);
    ~TForm1() override;

    // --- commands, as their buttons run them ---
    void RefreshList();      // "刷新"
    void RefreshCounters();  // "刷  新"
    void ModifyRecord();     // "修改记录"
    void ShowDetail();       // "查询明细" and double-click
    void DeleteRecords();    // "删除记录"
    void VisitSite();        // "访问网站"
    void VisitBackEnd();     // "访问后台"
    void ExportList();       // "导出数据"
    void QuitSoftware();     // "退出软件" of the icon's menu
    void ShowFromIcon();     // double-click on the icon
    // A click on a reminder: the counters refreshed and, when something is due, the expiry
    // window with its list, as "刷  新" and "查 询" would show them.
    void ShowDueList();
    // The registry check's window, brought to the front and started when it has not run yet.
    void ShowCheckWindow();
    // The import window, brought to the front.
    void ShowImportWindow();

    // Hides this window and the banner window (the close rule).
    void HideWithBanner();

    // What other windows read.
    // The current data key, byte for byte as loaded: a key stored elsewhere need not be valid
    // text, and Edit4 only shows it. Throws std::runtime_error while the key is in a keyring that
    // could not give it: no account is revealed or written then.
    QString SpaceThreshold() const;
    QString DomainThreshold() const;
    DataGrid& grid() { return *DBGrid1; }
    QSystemTrayIcon* trayIcon() { return tray_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildTopBar();
    void BuildBottomRow();
    void BuildMenus();
    void FirstShow();
    void ReportFolderPreparation(const data::FolderPreparation& preparation);
    void SealConvertedAccounts();
    void AddTrayIcon();
    void SetRecordCommandsEnabled(bool enabled);
    void RememberClickedRow();
    void OpenDetail(bool read_only);
    void Visit(const QString& address);
    void ShowContact();

    AppContext& context_;
    bool first_show_done_ = false;
    QString remembered_site_;
    QString remembered_back_end_;

    QLabel* Label3;  // total rows
    QLabel* Label5;  // space due
    QLabel* Label7;  // domain due
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QLineEdit* Edit4;
    QPushButton* BitBtn12;  // "查 询"
    DataGrid* DBGrid1;
    SearchBar* search_bar_;
    QMenu* PopupMenu1;
    QMenu* PopupMenu2;
    QSystemTrayIcon* tray_ = nullptr;
    std::unique_ptr<ExportCommand> export_;
    DueReminder* reminder_ = nullptr;
    std::vector<QPushButton*> record_buttons_;
    std::vector<QAction*> record_items_;
};

}  // namespace sitora::ui
