#pragma once
#include <QFont>
#include <QIcon>

namespace sitora::ui {

// The face every window uses: "微软雅黑", bold, 13 pixels.
inline constexpr const char* kProgramFace = "微软雅黑";
QFont ProgramFont();

// The program's own icon, in every size it was drawn at: windows, notification area, task switcher.
QIcon ProgramIcon();

}  // namespace sitora::ui
