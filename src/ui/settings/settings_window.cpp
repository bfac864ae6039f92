#include "ui/settings/settings_window.h"

#include "ui/toolkit/widgets.h"

namespace sitora::ui {

TForm5::TForm5(AppContext& context) : context_(context) {
    setObjectName("Form5");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint);
    SetUpWindow(this, "软件设置", 268, 210);
}

}  // namespace sitora::ui
