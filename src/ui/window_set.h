#pragma once
// The program's eight windows, created once, in a fixed order, all hidden.
#include <memory>

#include "ui/app_context.h"

namespace sitora::ui {

class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;
class TForm7;
class TForm8;
class CheckWindow;
class ImportWindow;

class WindowSet : public WindowOpener {
public:
    // Creates the login, main, add, detail, expiry, settings, help and banner windows in
    // that order, then the check and import windows, and answers the context's requests for them.
    explicit WindowSet(AppContext& context);
    ~WindowSet();
    WindowSet(const WindowSet&) = delete;
    WindowSet& operator=(const WindowSet&) = delete;

    // Brings up the window the user works in (a second start asked): the login window until
    // the login, the main window after it.
    void ShowWhatTheUserWorksIn();

    TForm6* Form6() const { return form6_.get(); }
    TForm1* Form1() const { return form1_.get(); }
    TForm2* Form2() const { return form2_.get(); }
    TForm3* Form3() const { return form3_.get(); }
    TForm4* Form4() const { return form4_.get(); }
    TForm5* Form5() const { return form5_.get(); }
    TForm7* Form7() const { return form7_.get(); }
    TForm8* Form8() const { return form8_.get(); }
    CheckWindow* check_window() const { return check_window_.get(); }
    ImportWindow* import_window() const { return import_window_.get(); }

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
