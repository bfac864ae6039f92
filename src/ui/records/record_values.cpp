#include "ui/records/record_values.h"

#include <QLineEdit>

#include "base/text/byte_strings.h"
#include "base/text/cp936.h"

namespace sitora::ui {

std::string Trimmed(const QString& text) { return std::string(text::TrimBlanks(text.toStdString())); }

std::string Trimmed(const QLineEdit* edit) { return Trimmed(edit->text()); }

std::string Cp936(const QString& text, bool trim) {
    return text::ToCp936(trim ? Trimmed(text) : text.toStdString());
}

QString FromCp936(std::string_view bytes) { return QString::fromStdString(text::FromCp936(bytes)); }

}  // namespace sitora::ui
