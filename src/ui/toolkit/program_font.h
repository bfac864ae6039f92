#pragma once
#include <QFont>

namespace sitora::ui {

// The face every window uses: "微软雅黑", bold, 13 pixels.
inline constexpr const char* kProgramFace = "微软雅黑";
QFont ProgramFont();

}  // namespace sitora::ui
