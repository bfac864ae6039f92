#pragma once
// The two font files of the face "微软雅黑" from the program folder, registered for as long
// as the program runs. Without them the face is mapped to an installed CJK face.
#include <QString>
#include <vector>

namespace sitora::app {

class PrivateFonts {
public:
    explicit PrivateFonts(const QString& program_folder);
    ~PrivateFonts();
    PrivateFonts(const PrivateFonts&) = delete;
    PrivateFonts& operator=(const PrivateFonts&) = delete;

private:
    std::vector<int> ids_;
};

}  // namespace sitora::app
