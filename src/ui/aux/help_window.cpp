#include "ui/aux/help_window.h"

#include "ui/toolkit/widgets.h"

namespace sitora::ui {

TForm7::TForm7(AppContext&) {
    setObjectName("Form7");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    SetUpWindow(this, "在线帮助", 275, 159);
}

}  // namespace sitora::ui
