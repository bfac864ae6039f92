#pragma once
#include <QString>

namespace sitora::screenshots {

// Builds a sample program folder, opens each window as a user would and saves its picture.
int RenderAll(const QString& output_folder);

}  // namespace sitora::screenshots
