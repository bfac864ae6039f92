#include "app/private_fonts.h"

#include <QFont>
#include <QFontDatabase>
#include <QStringList>

#include "ui/toolkit/program_font.h"

namespace sitora::app {

PrivateFonts::PrivateFonts(const QString& program_folder) {
    for (const char* file : {"msyh.TTF", "msyhbd.TTF"}) {
        // A missing file is no error; the face is then substituted below.
        const int id = QFontDatabase::addApplicationFont(program_folder + file);
        if (id >= 0) ids_.push_back(id);
    }
    const QString face = QString::fromUtf8(ui::kProgramFace);
    if (!QFontDatabase::hasFamily(face))
        QFont::insertSubstitutions(face, QStringList() << "WenQuanYi Micro Hei" << "Noto Sans CJK SC" << "Droid Sans Fallback");
}

PrivateFonts::~PrivateFonts() {
    for (int id : ids_) QFontDatabase::removeApplicationFont(id);
}

}  // namespace sitora::app
