#include "ui/toolkit/program_font.h"

namespace sitora::ui {

QFont ProgramFont() {
    QFont font(QString::fromUtf8(kProgramFace));
    font.setBold(true);
    font.setPixelSize(13);
    return font;
}

}  // namespace sitora::ui
