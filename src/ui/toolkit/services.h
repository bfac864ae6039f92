#pragma once
// What the windows ask of the desktop, each behind a small interface so that tests answer it.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <optional>

class QWidget;

namespace sitora::ui {

// The flags of a message box: the icon, and for a question its OK and Cancel buttons.
enum BoxFlags : int {
    kErrorBox = 16,     // failures and refusals
    kWarningBox = 48,   // successes
    kQuestionBox = 33,  // confirmations, OK and Cancel
};

enum class BoxAnswer { Ok, Cancel };

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Shows a modal box over `over`, the window it concerns (the active window when none is
    // named); carriage returns in `text` are line breaks.
    virtual BoxAnswer Show(const QString& text, const QString& title, int flags, QWidget* over = nullptr) = 0;
};

struct SaveRequest {
    QString title;
    QStringList filters;  // "Excel 文件 (*.xls)" ... in the order offered
    int filter_index = 1;  // 1-based, as the program remembers it
    QString file_name;     // proposed name
};

struct SaveAnswer {
    QString file_name;
    int filter_index = 1;  // 1-based entry the user left chosen
};

class SaveDialog {
public:
    virtual ~SaveDialog() = default;
    // Nothing when the user cancels.
    virtual std::optional<SaveAnswer> Ask(const SaveRequest& request) = 0;
};

struct OpenRequest {
    QString title;
    QStringList filters;  // "列表文件 (*.csv *.txt *.xls)" ... in the order offered
};

class OpenDialog {
public:
    virtual ~OpenDialog() = default;
    // The file the user chose; nothing when the user cancels.
    virtual std::optional<QString> Ask(const OpenRequest& request) = 0;
};

class UrlOpener {
public:
    virtual ~UrlOpener() = default;
    // Hands the address, unchanged, to the desktop's opener.
    virtual void Open(const QString& address) = 0;
};

class DesktopNotifier {
public:
    virtual ~DesktopNotifier() = default;
    // Shows the reminder, in place of notification `replaces` where that is still shown; its
    // id, or 0 where the desktop has no notification service.
    virtual std::uint32_t Notify(const QString& summary, const QString& body, bool critical, std::uint32_t replaces) = 0;
    // Set by the reminder: called with the id of a notification the user clicked.
    std::function<void(std::uint32_t id)> clicked;
};

struct Services {
    MessageBoxes& boxes;
    SaveDialog& save;
    UrlOpener& urls;
    OpenDialog& open;
};

}  // namespace sitora::ui
