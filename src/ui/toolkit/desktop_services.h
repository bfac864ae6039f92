#pragma once
// The real desktop behind the service interfaces: QMessageBox, QFileDialog, QDesktopServices.
#include <QUrl>

#include "ui/toolkit/services.h"

namespace sitora::ui {

class DesktopMessageBoxes : public MessageBoxes {
public:
    BoxAnswer Show(const QString& text, const QString& title, int flags, QWidget* over = nullptr) override;
};

// The desktop's save dialog. It opens in the folder of the last export and does not ask
// before replacing a file: the export itself replaces it whole or not at all.
class DesktopSaveDialog : public SaveDialog {
public:
    std::optional<SaveAnswer> Ask(const SaveRequest& request) override;

private:
    QString last_folder_;
};

// The desktop's dialog for choosing a file to read, opening where the last choice was made.
class DesktopOpenDialog : public OpenDialog {
public:
    std::optional<QString> Ask(const OpenRequest& request) override;

private:
    QString last_folder_;
};

// Qt's own texts (buttons of message boxes, the save dialog, edit and scroll-bar menus) in
// Chinese, from the translations installed with Qt. False where none are installed.
bool InstallChineseQtTexts();

// Qt reads the system locale, by which its file dialog writes dates, from the environment
// once: called before the QApplication, it has Qt read a Chinese one, and leaves the
// environment as it was for the programs started from here.
void ReadChineseSystemLocale();

// What the desktop's opener is handed for an address: the address as stored, with "http://"
// in front only where it names no scheme.
QUrl UrlToOpen(const QString& address);

class DesktopUrlOpener : public UrlOpener {
public:
    void Open(const QString& address) override;
};

}  // namespace sitora::ui
