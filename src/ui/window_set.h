#pragma once
// The program's eight windows, created once, in a fixed order, all hidden.
#include <memory>

#include "ui/app_context.h"

namespace sitora::ui {

class WindowSet : public WindowOpener {
public:
    // Creates the login, main, add, detail, expiry, settings, help and banner windows in
    // that order and records them in the context.
    explicit WindowSet(AppContext& context);
    ~WindowSet();
    WindowSet(const WindowSet&) = delete;
    WindowSet& operator=(const WindowSet&) = delete;

    // Brings up the window the user works in (a second start asked): the login window until
    // the login, the main window after it.
    void ShowWhatTheUserWorksIn();

    void Show(Window window) override;
    void Hide(Window window) override;
    void Bring(Window window) override;
    void ShowMainWindow() override;
    void HideMainWithBanner() override;
    void QuitSoftware() override;
    void RefreshMainList() override;
    void RefreshExpiryList() override;
    std::pair<QString, QString> LeadThresholds() const override;
    void OpenRecord(const QString& address, bool read_only) override;
    void MarkRecordFromExpiryList(bool from_expiry_list) override;
    void ShowCheckWindow() override;

private:
    QWidget* WindowOf(Window window) const;

    AppContext& context_;
    std::unique_ptr<TForm6> form6_;
    std::unique_ptr<TForm1> form1_;
    std::unique_ptr<TForm2> form2_;
    std::unique_ptr<TForm3> form3_;
    std::unique_ptr<TForm4> form4_;
    std::unique_ptr<TForm5> form5_;
    std::unique_ptr<TForm7> form7_;
    std::unique_ptr<TForm8> form8_;
    std::unique_ptr<CheckWindow> check_window_;
    std::unique_ptr<ImportWindow> import_window_;
};

}  // namespace sitora::ui
