#include "ui/records/detail_window.h"

#include "ui/toolkit/widgets.h"

namespace sitora::ui {

TForm3::TForm3(AppContext& context) : context_(context) {
    setObjectName("Form3");
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    SetUpWindow(this, "网站资料修改", 796, 648);
}

void TForm3::OpenRecord(const QString& address, bool read_only) {
    Q_UNUSED(address);
    setWindowTitle(read_only ? "网站资料详细查询" : "网站资料修改");
    show();
}

}  // namespace sitora::ui
