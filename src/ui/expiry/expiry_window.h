#pragma once
// The expiry window: the records whose hosting space or domain is due.
#include <QWidget>
#include <memory>
#include <vector>

#include "ui/app_context.h"

class QAction;
class QMenu;
class QPushButton;

namespace sitora::ui {

class DataGrid;
class SearchBar;
class ExportCommand;

class TForm4 : public QWidget {
    Q_OBJECT
public:
    explicit TForm4(AppContext& context);
    ~TForm4() override;

    void RefreshExpiryList();  // "刷 新"
    void ShowDetail();         // "查询明细" and double-click
    void ExportList();         // "导 出"
    DataGrid& grid() { return *DBGrid1; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void SetListCommandsEnabled(bool enabled);

    AppContext& context_;
    DataGrid* DBGrid1;
    SearchBar* search_bar_;
    QMenu* PopupMenu1;
    QAction* N1;  // "刷 新"
    std::unique_ptr<ExportCommand> export_;
    std::vector<QPushButton*> list_buttons_;
    std::vector<QAction*> list_items_;
    bool centred_ = false;
};

}  // namespace sitora::ui
