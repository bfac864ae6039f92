#include "ui/toolkit/program_font.h"

namespace sitora::ui {

QFont ProgramFont() {
    QFont font(QString::fromUtf8(kProgramFace));
    font.setBold(true);
    font.setPixelSize(13);
    return font;
}

QIcon ProgramIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256}) icon.addFile(QString(":/icons/sitora-%1.png").arg(size));
    return icon;
}

}  // namespace sitora::ui
