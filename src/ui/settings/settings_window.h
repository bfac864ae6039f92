#pragma once
// The settings window: lead times, compaction and the data key.
#include <QWidget>

#include "ui/app_context.h"

class QLineEdit;
class QPushButton;
class QTabWidget;

class QLabel;

namespace sitora::ui {

class ChoiceList;

class TForm5 : public QWidget {
    Q_OBJECT
public:
    explicit TForm5(AppContext& context);

    void LoadLeadTimes();    // on every show
    void SaveLeadTimes();    // "设 置"
    void Compact();          // "压缩数据库"
    void ChangeDataKey();    // "修 改"

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* BuildLeadTimesTab();
    QWidget* BuildCompactionTab();
    QWidget* BuildKeyTab();
    void ShowWhereTheKeyIs();
    void MoveDataKey(bool to_keyring);  // "移入密钥环", "移回 sk.exe"

    AppContext& context_;
    QTabWidget* PageControl1;
    ChoiceList* ComboBox1;
    ChoiceList* ComboBox2;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QPushButton* BitBtn4;
    QLabel* KeyringLabel;
    QPushButton* KeyringButton;
    bool key_in_keyring_ = false;
    bool centred_ = false;
};

}  // namespace sitora::ui
