#pragma once
// The login window: asks for the login password, opens the main window, changes the password.
#include <QWidget>
#include <string>

#include "ui/app_context.h"

class QLineEdit;
class QPushButton;
class QFrame;

namespace sitora::ui {

class TForm6 : public QWidget {
    Q_OBJECT
public:
    // The right password was given: the login window stays hidden from now on.
    bool LoggedIn() const { return logged_in_; }
    // Window widths with the login panel alone and with the change panel beside it.
    static constexpr int kNarrowWidth = 305;
    static constexpr int kWideWidth = 612;

    explicit TForm6(AppContext& context);

    void LogIn();            // "登 录"
    void ChangePassword();   // "修 改"
    void ShowChangePanel();  // "修改密码"
    void HideChangePanel();  // "取 消"

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LoadLoginPassword();
    void SetWidth(int width);

    AppContext& context_;
    std::string login_password_;  // code page 936 bytes of the password that logs in
    bool loaded_ = false;
    bool logged_in_ = false;

    QFrame* Panel1;
    QFrame* Panel2;
    QLineEdit* Edit1;
    QLineEdit* Edit2;
    QLineEdit* Edit3;
    QLineEdit* Edit4;
    QPushButton* BitBtn1;
    QPushButton* Button1;
};

}  // namespace sitora::ui
