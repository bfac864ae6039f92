#include "ui/aux/banner_window.h"

#include <QCloseEvent>
#include <QFile>
#include <QFrame>
#include <QTextBrowser>

#include "ui/toolkit/widgets.h"

namespace sitora::ui {
namespace {

// A view that shows only what lies in the program folder: no network, no context menu.
class LocalPageView : public QTextBrowser {
public:
    LocalPageView(QWidget* parent, QMargins hidden) : QTextBrowser(parent) {
        // The page starts where the clipped view becomes visible.
        setViewportMargins(hidden);
    }
    QVariant loadResource(int type, const QUrl& name) override {
        if (!name.isLocalFile() && !name.isRelative()) return {};
        return QTextBrowser::loadResource(type, name);
    }
};

const char* const kFallbackPage =
    "<div style='font-size:15px; color:#3B5A82;'>"
    "<b>Sitora</b> — 网站空间与域名到期管理</div>";

}  // namespace

TForm8::TForm8(AppContext& context) : context_(context) {
    setObjectName("Form8");
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    SetUpWindow(this, QString(), 867, 101);

    auto* outer = new QFrame(this);
    outer->setObjectName("Panel1");
    outer->setGeometry(0, 0, 867, 101);
    auto* inner = new QFrame(outer);
    inner->setObjectName("Panel2");
    inner->setGeometry(3, 1, 861, 98);
    // The view is larger than its panel, which clips the page's margins and scroll bars.
    view_ = new LocalPageView(inner, QMargins(64, 53, 0, 0));
    view_->setObjectName("WebBrowser1");
    view_->setGeometry(-64, -53, 948, 176);
    view_->setContextMenuPolicy(Qt::NoContextMenu);
    view_->setOpenLinks(false);
    view_->setFrameShape(QFrame::NoFrame);
    view_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LoadPage();
}

void TForm8::LoadPage() {
    const QString path = context_.program_folder + kBannerPage;
    if (QFile::exists(path)) {
        view_->setSource(QUrl::fromLocalFile(path));
        if (!view_->document()->isEmpty()) return;
    }
    view_->setHtml(kFallbackPage);
}

void TForm8::Follow(QWidget* window) {
    followed_ = window;
    window->installEventFilter(this);
    HangUnder();
}

void TForm8::HangUnder() {
    if (!followed_) return;
    const QRect frame = followed_->frameGeometry();
    move(frame.left(), frame.top() + frame.height());
}

bool TForm8::eventFilter(QObject* watched, QEvent* event) {
    if (watched == followed_ &&
        (event->type() == QEvent::Move || event->type() == QEvent::Resize || event->type() == QEvent::Show))
        HangUnder();
    return QWidget::eventFilter(watched, event);
}

void TForm8::closeEvent(QCloseEvent* event) {
    // The banner is never closed by the user.
    event->ignore();
}

}  // namespace sitora::ui
