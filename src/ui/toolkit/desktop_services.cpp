#include "ui/toolkit/desktop_services.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHeaderView>
#include <QTreeView>
#include <QSpacerItem>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <QMessageBox>
#include <QRegularExpression>
#include <QUrl>

#include "ui/toolkit/program_font.h"

namespace sitora::ui {

BoxAnswer DesktopMessageBoxes::Show(const QString& text, const QString& title, int flags, QWidget* over) {
    // Transient for the window it concerns, so that the window manager stacks it over that one
    // (a window kept on top would otherwise hide it and its modality would block everything).
    QMessageBox box(over ? over->window() : QApplication::activeWindow());
    box.setWindowTitle(title);
    QString shown = text;
    shown.replace("\r\n", "\n").replace('\r', '\n');
    box.setText(shown);
    box.setFont(ProgramFont());
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (flags == kQuestionBox) {
        box.setIcon(QMessageBox::Question);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
    } else {
        box.setIcon(flags == kErrorBox ? QMessageBox::Critical : QMessageBox::Warning);
        box.setStandardButtons(QMessageBox::Ok);
    }
    // A window manager draws the title in the box's title bar beside its buttons: the box is
    // made wide enough for the whole title (Qt sizes it for its text alone).
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
        const int title_width = QFontMetrics(QApplication::font()).horizontalAdvance(title) * 3 / 2 + 160;
        grid->addItem(new QSpacerItem(title_width, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), grid->rowCount(),
                      0, 1, grid->columnCount());
    }
    return box.exec() == QMessageBox::Ok ? BoxAnswer::Ok : BoxAnswer::Cancel;
}

std::optional<SaveAnswer> DesktopSaveDialog::Ask(const SaveRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), request.title);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (!last_folder_.isEmpty()) dialog.setDirectory(last_folder_);
    dialog.setNameFilters(request.filters);
    if (request.filter_index >= 1 && request.filter_index <= request.filters.size())
        dialog.selectNameFilter(request.filters.at(request.filter_index - 1));
    dialog.selectFile(request.file_name);
    // The detail view shows the modification time whole.
    if (auto* details = dialog.findChild<QTreeView*>("treeView"))
        details->header()->setSectionResizeMode(3, QHeaderView::ResizeToContents);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    SaveAnswer answer;
    answer.file_name = dialog.selectedFiles().first();
    last_folder_ = QFileInfo(answer.file_name).absolutePath();
    answer.filter_index = static_cast<int>(request.filters.indexOf(dialog.selectedNameFilter())) + 1;
    if (answer.filter_index < 1) answer.filter_index = 1;
    return answer;
}

std::optional<QString> DesktopOpenDialog::Ask(const OpenRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), request.title);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    // A list comes from the user's own files, not from the program folder.
    dialog.setDirectory(last_folder_.isEmpty() ? QDir::homePath() : last_folder_);
    dialog.setNameFilters(request.filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    const QString chosen = dialog.selectedFiles().first();
    last_folder_ = QFileInfo(chosen).absolutePath();
    return chosen;
}

namespace {

// The words of Qt's file icon provider (the dialog's "type" column) that the installed
// catalogue lacks: it still files them under the context Qt 5 used.
class FileKindTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* source, const char*, int) const override {
        if (qstrcmp(context, "QAbstractFileIconProvider") != 0) return {};
        static const QHash<QByteArray, QString> kinds = {
            {"Folder", "文件夹"}, {"Drive", "驱动器"}, {"File", "文件"}, {"Shortcut", "快捷方式"}, {"Unknown", "未知"}};
        return kinds.value(source);
    }
};

}  // namespace

void ReadChineseSystemLocale() {
    const bool had_value = qEnvironmentVariableIsSet("LC_ALL");
    const QByteArray value = qgetenv("LC_ALL");
    qputenv("LC_ALL", "zh_CN.UTF-8");
    (void)QLocale::system();
    if (had_value)
        qputenv("LC_ALL", value);
    else
        qunsetenv("LC_ALL");
}

bool InstallChineseQtTexts() {
    QCoreApplication::installTranslator(new FileKindTexts(QCoreApplication::instance()));
    // Qt's own words come from the catalogue; the kinds of files that its file dialog shows
    // come from the default locale (the dates from the system locale, see above).
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), "qtbase", "_", folder)) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

QUrl UrlToOpen(const QString& address) {
    // The address as stored, untrimmed; only a bare host name, which the desktop's opener
    // cannot open, is given the web's scheme.
    static const QRegularExpression kScheme("^[A-Za-z][A-Za-z0-9+.-]*://");
    if (kScheme.match(address).hasMatch()) return QUrl(address, QUrl::TolerantMode);
    return QUrl("http://" + address, QUrl::TolerantMode);
}

void DesktopUrlOpener::Open(const QString& address) {
    QDesktopServices::openUrl(UrlToOpen(address));
}

}  // namespace sitora::ui
