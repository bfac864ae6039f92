#pragma once
// The banner window: a borderless strip that hangs directly under the main window and shows
// the maker's local page.
#include <QWidget>

#include "ui/app_context.h"

class QTextBrowser;

namespace sitora::ui {

// The page, looked for in the program folder.
inline constexpr const char* kBannerPage = "banner.htm";

class TForm8 : public QWidget {
    Q_OBJECT
public:
    explicit TForm8(AppContext& context);

    // Starts following a window's moves and resizes (the main window).
    void Follow(QWidget* window);
    // Puts the banner flush under the followed window.
    void HangUnder();
    QTextBrowser* view() { return view_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void LoadPage();

    AppContext& context_;
    QWidget* followed_ = nullptr;
    QTextBrowser* view_;
};

}  // namespace sitora::ui
