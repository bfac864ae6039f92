#pragma once
// The real desktop behind the service interfaces: QMessageBox, QFileDialog, QDesktopServices.
#include "ui/toolkit/services.h"

namespace sitora::ui {

class DesktopMessageBoxes : public MessageBoxes {
public:
    BoxAnswer Show(const QString& text, const QString& title, int flags) override;
};

class DesktopSaveDialog : public SaveDialog {
public:
    std::optional<SaveAnswer> Ask(const SaveRequest& request) override;
};

class DesktopUrlOpener : public UrlOpener {
public:
    void Open(const QString& address) override;
};

}  // namespace sitora::ui
