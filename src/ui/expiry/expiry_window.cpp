#include "ui/expiry/expiry_window.h"

#include "ui/toolkit/widgets.h"

namespace sitora::ui {

TForm4::TForm4(AppContext& context) : context_(context) {
    setObjectName("Form4");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    SetUpWindow(this, "网站到期查询", 861, 569);
}

}  // namespace sitora::ui
