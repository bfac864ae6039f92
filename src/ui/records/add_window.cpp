#include "ui/records/add_window.h"

#include "ui/toolkit/widgets.h"

namespace sitora::ui {

TForm2::TForm2(AppContext& context) : context_(context) {
    setObjectName("Form2");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    SetUpWindow(this, "添加新网站", 795, 532);
}

}  // namespace sitora::ui
