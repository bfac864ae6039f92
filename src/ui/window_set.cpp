#include "ui/window_set.h"

#include "ui/aux/banner_window.h"
#include "ui/aux/help_window.h"
#include "ui/check/check_window.h"
#include "ui/expiry/expiry_window.h"
#include "ui/import/import_window.h"
#include "ui/login/login_window.h"
#include "ui/main/main_window.h"
#include "ui/records/add_window.h"
#include "ui/records/detail_window.h"
#include "ui/settings/settings_window.h"

namespace sitora::ui {

WindowSet::WindowSet(AppContext& context) : context_(context) {
    form6_ = std::make_unique<TForm6>(context);
    form1_ = std::make_unique<TForm1>(context);
    form2_ = std::make_unique<TForm2>(context);
    form3_ = std::make_unique<TForm3>(context);
    form4_ = std::make_unique<TForm4>(context);
    form5_ = std::make_unique<TForm5>(context);
    form7_ = std::make_unique<TForm7>(context);
    form8_ = std::make_unique<TForm8>(context);
    form8_->Follow(form1_.get());
    check_window_ = std::make_unique<CheckWindow>(context);
    import_window_ = std::make_unique<ImportWindow>(context);
    context.windows = this;
}

WindowSet::~WindowSet() {
    // In the reverse order of creation.
    context_.windows = nullptr;
    import_window_.reset();
    check_window_.reset();
    form8_.reset();
    form7_.reset();
    form5_.reset();
    form4_.reset();
    form3_.reset();
    form2_.reset();
    form1_.reset();
    form6_.reset();
}

void WindowSet::ShowWhatTheUserWorksIn() {
    if (!form6_->LoggedIn()) {
        form6_->showNormal();
        form6_->raise();
        form6_->activateWindow();
        return;
    }
    form1_->ShowFromIcon();
}

QWidget* WindowSet::WindowOf(Window window) const {
    switch (window) {
    case Window::kAdd: return form2_.get();
    case Window::kExpiry: return form4_.get();
    case Window::kSettings: return form5_.get();
    case Window::kHelp: return form7_.get();
    case Window::kBanner: return form8_.get();
    case Window::kImport: return import_window_.get();
    }
    return nullptr;
}

void WindowSet::Show(Window window) { WindowOf(window)->show(); }
void WindowSet::Hide(Window window) { WindowOf(window)->hide(); }

void WindowSet::Bring(Window window) {
    QWidget* widget = WindowOf(window);
    widget->show();
    widget->raise();
    widget->activateWindow();
}

void WindowSet::ShowMainWindow() { form1_->show(); }
void WindowSet::HideMainWithBanner() { form1_->HideWithBanner(); }
void WindowSet::QuitSoftware() { form1_->QuitSoftware(); }
void WindowSet::RefreshMainList() { form1_->RefreshList(); }
void WindowSet::RefreshExpiryList() { form4_->RefreshExpiryList(); }

std::pair<QString, QString> WindowSet::LeadThresholds() const {
    return {form1_->SpaceThreshold(), form1_->DomainThreshold()};
}

void WindowSet::OpenRecord(const QString& address, bool read_only) { form3_->OpenRecord(address, read_only); }
void WindowSet::MarkRecordFromExpiryList(bool from_expiry_list) {
    form3_->SetExpiryMarker(from_expiry_list ? "1" : QString());
}

void WindowSet::ShowCheckWindow() {
    CheckWindow* window = check_window_.get();
    const bool first = !window->isVisible() && !window->Running();
    window->show();
    window->raise();
    window->activateWindow();
    if (first) window->StartCheck();
}

}  // namespace sitora::ui
