#pragma once
// What a window may ask of the others without knowing them: the window set answers, so that no
// window includes another window's header.
#include <QString>
#include <utility>

namespace sitora::ui {

enum class Window { kAdd, kExpiry, kSettings, kHelp, kBanner, kImport };

class WindowOpener {
public:
    virtual ~WindowOpener() = default;

    virtual void Show(Window window) = 0;
    virtual void Hide(Window window) = 0;
    // Shown, raised and given the focus.
    virtual void Bring(Window window) = 0;
    virtual void ShowMainWindow() = 0;
    virtual void HideMainWithBanner() = 0;
    virtual void QuitSoftware() = 0;

    virtual void RefreshMainList() = 0;
    virtual void RefreshExpiryList() = 0;
    // The lead dates the main window shows: the space's, then the domain's.
    virtual std::pair<QString, QString> LeadThresholds() const = 0;

    virtual void OpenRecord(const QString& address, bool read_only) = 0;
    // Whether the record window was opened from the expiry list (it refreshes that list on closing).
    virtual void MarkRecordFromExpiryList(bool from_expiry_list) = 0;
    // Brought up; a check starts when the window was neither open nor checking.
    virtual void ShowCheckWindow() = 0;
};

}  // namespace sitora::ui
