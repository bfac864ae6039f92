#pragma once
// Turning window texts into statement values: trimmed UTF-8 for the plain columns, code
// page 936 bytes for what is protected.
#include <QString>
#include <string>

class QLineEdit;

namespace sitora::ui {

// The text with blanks (bytes of value 32 or less) removed at both ends, as UTF-8.
std::string Trimmed(const QString& text);
std::string Trimmed(const QLineEdit* edit);
// The text's code page 936 bytes, optionally trimmed first.
std::string Cp936(const QString& text, bool trim = false);
// Code page 936 bytes shown as text.
QString FromCp936(std::string_view bytes);

}  // namespace sitora::ui
