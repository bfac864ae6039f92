// Sitora: start-up, the single-instance rule and shutdown.
#include <malloc.h>
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <QMetaObject>
#include <QSocketNotifier>
#include <QSystemTrayIcon>

#include "data/data_module.h"
#include "base/files/private_folder.h"
#include "base/files/single_instance.h"
#include "app/private_fonts.h"
#include "protect/block_store.h"
#include "protect/secret_bytes.h"
#include "ui/aux/banner_window.h"
#include "ui/login/login_window.h"
#include "ui/toolkit/desktop_notifier.h"
#include "ui/toolkit/desktop_services.h"
#include "ui/toolkit/program_font.h"
#include "ui/window_set.h"

namespace {

std::filesystem::path PrivateFolderOrNone() {
    try {
        return sitora::files::PrivateFolder();
    } catch (const std::exception&) {
        return {};  // the windows report the failure when they need a transfer file
    }
}

}  // namespace

int main(int argc, char** argv) {
    using namespace sitora;
    // Large lists are allocated by mmap and given back whole when they are freed, so a refresh
    // does not leave the old list's memory behind.
    mallopt(M_MMAP_THRESHOLD, 1 << 20);
    // The process holds the data key and revealed accounts: a crash leaves no core file of them.
    protect::DisableCoreDumps();
    const std::filesystem::path private_folder = PrivateFolderOrNone();
    // Another copy runs: it is asked to show its login or main window, and this one ends at
    // once, silently, before any window exists.
    files::SingleInstanceLock instance(private_folder.empty() ? "/nonexistent" : private_folder, "Sitora");
    if (instance.AnotherCopyRuns()) {
        files::AskRunningCopyToShow(private_folder, "Sitora");
        return 0;
    }

    ui::ReadChineseSystemLocale();
    QApplication application(argc, argv);
    const QString program_folder = QCoreApplication::applicationDirPath() + "/";
    app::PrivateFonts fonts(program_folder);
    // The name is the window class the desktop groups our windows by. No display name: Qt
    // would append it to every window title.
    QApplication::setApplicationName("Sitora");
    QApplication::setDesktopFileName("org.sitora.Sitora");
    QApplication::setWindowIcon(ui::ProgramIcon());
    ui::InstallChineseQtTexts();
    QApplication::setQuitOnLastWindowClosed(false);
    protect::RemoveStaleTransferFiles(private_folder);

    int exit_code = 0;
    {
        data::TDataModule1 data_module;
        ui::DesktopMessageBoxes boxes;
        ui::DesktopSaveDialog save_dialog;
        ui::DesktopUrlOpener url_opener;
        ui::DesktopOpenDialog open_dialog;
        ui::DesktopNotifications notifications;
        // The handler that ends the application runs to its end; then the loop stops. exit(),
        // not quit(): quit() first asks every window to close, and ours refuse.
        auto end_application = [] { QMetaObject::invokeMethod(qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection); };
        ui::AppContext context{program_folder, private_folder, data_module, {boxes, save_dialog, url_opener, open_dialog},
                               end_application, QSystemTrayIcon::isSystemTrayAvailable()};
        context.notifier = &notifications;

        ui::WindowSet windows(context);
        windows.Form6()->show();
        // A second start's request: the window the user would see now comes up.
        const int door = private_folder.empty() ? -1 : files::ListenForShowRequests(private_folder, "Sitora");
        QSocketNotifier requests(std::max(door, 0), QSocketNotifier::Read);
        requests.setEnabled(door >= 0);
        QObject::connect(&requests, &QSocketNotifier::activated, [&] {
            if (files::TakeShowRequests(door)) windows.ShowWhatTheUserWorksIn();
        });
#ifdef SITORA_START_PROBE
        // The probe build times the way from start to a shown login window, then ends.
        end_application();
#endif
        exit_code = QApplication::exec();
        if (door >= 0) close(door);
        // Windows go before the data module, which closes the connection.
    }
    return exit_code;
}
