#include "ui/aux/banner_window.h"

#include <QCloseEvent>

#include "ui/toolkit/widgets.h"

namespace sitora::ui {

TForm8::TForm8(AppContext& context) : context_(context) {
    setObjectName("Form8");
    setWindowFlags(Qt::Tool | Qt::FramelessWindowHint);
    SetUpWindow(this, QString(), 867, 101);
}

void TForm8::closeEvent(QCloseEvent* event) {
    // The banner is never closed by the user.
    event->ignore();
}

}  // namespace sitora::ui
