#include "ui/aux/help_window.h"

#include <QLabel>
#include <QPushButton>

#include "ui/toolkit/messages.h"
#include "ui/toolkit/widgets.h"

namespace sitora::ui {

TForm7::TForm7(AppContext&) {
    setObjectName("Form7");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    SetUpWindow(this, "在线帮助", 275, 159);
    QLabel* text = MakeLabel(this, "Label1",
                             "软件作者：" + kAuthorName + "\n作者邮箱：" + kMakerEmail + "\n软件网站：" + kMakerWebAddress,
                             QRect(12, 12, 255, 86));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* exit = MakeButton(this, "BitBtn1", "退 出", QRect(94, 112, 86, 30));
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
}

void TForm7::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) CentreOnScreen(this);
}

}  // namespace sitora::ui
