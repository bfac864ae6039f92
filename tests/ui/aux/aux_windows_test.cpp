#include <QCoreApplication>
#include <QLabel>
#include <QTextBrowser>

#include "support/window_fixture.h"
#include "ui/aux/banner_window.h"
#include "ui/aux/help_window.h"
#include "ui/main/main_window.h"

namespace sitora::ui {
namespace {

class AuxWindows : public test::WindowTest {};

TEST_F(AuxWindows, TheBannerHangsUnderTheMainWindowAndFollowsIt) {
    LogIn();
    TForm1* main = windows_->Form1();
    TForm8* banner = windows_->Form8();
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->size(), QSize(867, 101));
    main->move(120, 80);
    QCoreApplication::processEvents();
    const QRect frame = main->frameGeometry();
    EXPECT_EQ(banner->pos(), QPoint(frame.left(), frame.top() + frame.height()));
    main->move(10, 30);
    QCoreApplication::processEvents();
    EXPECT_EQ(banner->pos(), QPoint(main->frameGeometry().left(), main->frameGeometry().bottom() + 1));
    // Never closed by the user.
    EXPECT_FALSE(banner->close());
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(banner->view()->contextMenuPolicy(), Qt::NoContextMenu);
}

TEST_F(AuxWindows, TheBannerShowsTheLocalPageOrAFallback) {
    StartWindows();
    EXPECT_TRUE(windows_->Form8()->view()->toPlainText().contains("Sitora"));  // fallback
    windows_.reset();
    test::WriteFile(program_ / "banner.htm", "<html><body>本地页面 <img src='http://example.com/x.png'></body></html>");
    StartWindows();
    EXPECT_TRUE(windows_->Form8()->view()->toPlainText().contains("本地页面"));
}

TEST_F(AuxWindows, HelpShowsTheMakerAndExitHidesIt) {
    LogIn();
    Click(windows_->Form1(), "BitBtn15");
    TForm7* help = windows_->Form7();
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->windowTitle(), "在线帮助");
    const QString text = Text(help, "Label1");
    EXPECT_TRUE(text.startsWith("软件作者："));
    EXPECT_TRUE(text.contains("\n作者邮箱："));
    EXPECT_TRUE(text.contains("\n软件网站："));
    Click(help, "BitBtn1");
    EXPECT_FALSE(help->isVisible());
}

}  // namespace
}  // namespace sitora::ui
