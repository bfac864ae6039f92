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

namespace {

// Creates a window and records it in its slot of the context.
template <typename Form>
std::unique_ptr<Form> Create(AppContext& context, Form*& slot) {
    auto form = std::make_unique<Form>(context);
    slot = form.get();
    return form;
}

// Destroys a window after taking it out of the context, so no other window reaches it.
template <typename Form>
void Destroy(std::unique_ptr<Form>& form, Form*& slot) {
    slot = nullptr;
    form.reset();
}

}  // namespace

WindowSet::WindowSet(AppContext& context) : context_(context) {
    form6_ = Create(context, context.Form6);
    form1_ = Create(context, context.Form1);
    form2_ = Create(context, context.Form2);
    form3_ = Create(context, context.Form3);
    form4_ = Create(context, context.Form4);
    form5_ = Create(context, context.Form5);
    form7_ = Create(context, context.Form7);
    form8_ = Create(context, context.Form8);
    form8_->Follow(form1_.get());
    check_window_ = Create(context, context.check_window);
    import_window_ = Create(context, context.import_window);
    context.windows = this;
}

WindowSet::~WindowSet() {
    // In the reverse order of creation.
    context_.windows = nullptr;
    Destroy(import_window_, context_.import_window);
    Destroy(check_window_, context_.check_window);
    Destroy(form8_, context_.Form8);
    Destroy(form7_, context_.Form7);
    Destroy(form5_, context_.Form5);
    Destroy(form4_, context_.Form4);
    Destroy(form3_, context_.Form3);
    Destroy(form2_, context_.Form2);
    Destroy(form1_, context_.Form1);
    Destroy(form6_, context_.Form6);
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
