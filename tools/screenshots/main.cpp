// Renders every window with sample records into PNG files, so a person can look at them.
// usage: sitora-screenshots OUTPUT_FOLDER
#include <QApplication>
#include <QDir>
#include <iostream>

#include "sample_scenes.h"

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication application(argc, argv);
    if (argc != 2) {
        std::cerr << "usage: sitora-screenshots OUTPUT_FOLDER\n";
        return 2;
    }
    QDir().mkpath(argv[1]);
    try {
        return sitora::screenshots::RenderAll(QString::fromLocal8Bit(argv[1]));
    } catch (const std::exception& error) {
        std::cerr << "sitora-screenshots: " << error.what() << "\n";
        return 2;
    }
}
