#include "ui/login/login_window.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>

#include "protect/block_store.h"
#include "base/text/cp936.h"
#include "support/window_fixture.h"
#include "ui/main/main_window.h"

namespace sitora::ui {
namespace {

class LoginWindow : public test::WindowTest {
protected:
    void StorePassword(const std::string& utf8) {
        ASSERT_TRUE(protect::StoreValue(text::ToCp936(utf8), program_ / "key.exe", private_ / "x.txt"));
    }
    TForm6* login() { return windows_->Form6(); }
    void ChangeTo(const QString& old_password, const QString& new_password, const QString& confirmation) {
        Click(login(), "BitBtn2");
        Type(login(), "Edit2", old_password);
        Type(login(), "Edit3", new_password);
        Type(login(), "Edit4", confirmation);
        Click(login(), "Button1");
    }
};

TEST_F(LoginWindow, WrongPasswordIsRefusedAndOnlyTheLoginEntryIsCleared) {
    StorePassword("secret");
    StartWindows();
    login()->show();
    EXPECT_EQ(login()->windowTitle(), "登录");
    Type(login(), "Edit1", "Secret");
    Type(login(), "Edit2", "kept");
    Click(login(), "BitBtn1");
    ASSERT_EQ(boxes_.shown.size(), 1u);
    EXPECT_TRUE(boxes_.LastText().startsWith("密码出错\r\r在线帮助\r网站："));
    EXPECT_EQ(boxes_.shown[0].flags, kErrorBox);
    EXPECT_EQ(Find<QLineEdit>(login(), "Edit1")->text(), "");
    EXPECT_EQ(Find<QLineEdit>(login(), "Edit2")->text(), "kept");
    EXPECT_FALSE(windows_->Form1()->isVisible());

    Type(login(), "Edit1", "secret");
    Click(login(), "BitBtn1");
    EXPECT_TRUE(windows_->Form1()->isVisible());
    EXPECT_FALSE(login()->isVisible());
    EXPECT_EQ(Find<QLineEdit>(login(), "Edit2")->text(), "");
}

TEST_F(LoginWindow, AnEmptyOrMissingCarrierLetsTheEmptyPasswordIn) {
    std::filesystem::remove(program_ / "key.exe");
    StartWindows();
    login()->show();
    // The change panel out of sight takes no focus; Enter on a focused button presses it.
    EXPECT_FALSE(Find<QLineEdit>(login(), "Edit2")->isEnabled());
    Click(login(), "BitBtn2");
    EXPECT_TRUE(Find<QLineEdit>(login(), "Edit2")->isEnabled());
    Click(login(), "BitBtn3");
    EXPECT_FALSE(Find<QLineEdit>(login(), "Edit2")->isEnabled());
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(Find<QPushButton>(login(), "BitBtn1"), &enter);
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_TRUE(windows_->Form1()->isVisible());
}

TEST_F(LoginWindow, PasswordChangeRefusalsComeInTheirOrder) {
    StorePassword("secret");
    StartWindows();
    login()->show();
    ChangeTo("wrong", "abc", "xyz");
    EXPECT_EQ(boxes_.LastText(), "原始密码输入有错");
    ChangeTo("secret", "abcde", "xyz");
    EXPECT_EQ(boxes_.LastText(), "密码位数小于6位");
    ChangeTo("secret", "abcdef", "abcdeF");
    EXPECT_EQ(boxes_.LastText(), "两次密码输入不一致");
    EXPECT_EQ(login()->width(), TForm6::kWideWidth);
    EXPECT_EQ(test::ReadFile(program_ / "key.exe").size(), 21u + 6u);  // unchanged
}

TEST_F(LoginWindow, AChangedPasswordLogsInAtOnceAndAfterARestart) {
    StorePassword("secret");
    StartWindows();
    login()->show();
    // Three Chinese characters are six bytes: long enough.
    ChangeTo("secret", "新密码", "新密码");
    EXPECT_EQ(boxes_.LastText(), "登录密码修改成功！");
    EXPECT_EQ(boxes_.shown.back().flags, kWarningBox);
    EXPECT_EQ(login()->width(), TForm6::kNarrowWidth);
    // The old-password check of a second change wants the new password.
    ChangeTo("secret", "another", "another");
    EXPECT_EQ(boxes_.LastText(), "原始密码输入有错");
    Click(login(), "BitBtn3");

    Type(login(), "Edit1", "secret");
    Click(login(), "BitBtn1");
    EXPECT_EQ(boxes_.LastText().left(4), "密码出错");
    Type(login(), "Edit1", "新密码");
    Click(login(), "BitBtn1");
    EXPECT_TRUE(windows_->Form1()->isVisible());

    windows_.reset();
    StartWindows();
    login()->show();
    Type(login(), "Edit1", "新密码");
    Click(login(), "BitBtn1");
    EXPECT_TRUE(windows_->Form1()->isVisible());
}

TEST_F(LoginWindow, EnterInTheConfirmationChangesAndEnterInTheNewPasswordDoesNot) {
    StartWindows();
    login()->show();
    Click(login(), "BitBtn2");
    Type(login(), "Edit3", "abcdefg");
    Type(login(), "Edit4", "abcdefg");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(Find<QLineEdit>(login(), "Edit3"), &enter);
    EXPECT_TRUE(boxes_.shown.empty());
    QCoreApplication::sendEvent(Find<QLineEdit>(login(), "Edit4"), &enter);
    EXPECT_EQ(boxes_.LastText(), "登录密码修改成功！");
}

TEST_F(LoginWindow, AChangeWithoutACarrierFailsSilently) {
    std::filesystem::remove(program_ / "key.exe");
    StartWindows();
    login()->show();
    ChangeTo("", "abcdefg", "abcdefg");
    EXPECT_TRUE(boxes_.shown.empty());
    EXPECT_EQ(login()->width(), TForm6::kWideWidth);
    EXPECT_FALSE(std::filesystem::exists(program_ / "key.exe"));
    EXPECT_TRUE(std::filesystem::exists(private_ / "pass2.txt"));
}

TEST_F(LoginWindow, NoPrivateFolderIsAStartUpFailureThatEndsTheProgram) {
    StartWindows();
    context_->private_folder.clear();
    login()->show();
    EXPECT_TRUE(boxes_.LastText().startsWith("软件出错,请检查是否缺少必要的文件"));
    EXPECT_EQ(end_requests_, 1);
}

TEST_F(LoginWindow, QuitEndsTheApplicationAndCloseIsRefused) {
    StartWindows();
    login()->show();
    EXPECT_FALSE(login()->close());
    EXPECT_TRUE(login()->isVisible());
    Click(login(), "BitBtn5");
    EXPECT_EQ(end_requests_, 1);
    EXPECT_FALSE(module_->ADOConnection1.Connected());
}

}  // namespace
}  // namespace sitora::ui
