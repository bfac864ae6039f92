#include "ui/window_set.h"

#include "ui/aux/banner_window.h"
#include "ui/aux/help_window.h"
#include "ui/expiry/expiry_window.h"
#include "ui/login/login_window.h"
#include "ui/main/main_window.h"
#include "ui/records/add_window.h"
#include "ui/records/detail_window.h"
#include "ui/settings/settings_window.h"

namespace sitora::ui {

WindowSet::WindowSet(AppContext& context) : context_(context) {
    form6_ = std::make_unique<TForm6>(context);
    context.Form6 = form6_.get();
    form1_ = std::make_unique<TForm1>(context);
    context.Form1 = form1_.get();
    form2_ = std::make_unique<TForm2>(context);
    context.Form2 = form2_.get();
    form3_ = std::make_unique<TForm3>(context);
    context.Form3 = form3_.get();
    form4_ = std::make_unique<TForm4>(context);
    context.Form4 = form4_.get();
    form5_ = std::make_unique<TForm5>(context);
    context.Form5 = form5_.get();
    form7_ = std::make_unique<TForm7>(context);
    context.Form7 = form7_.get();
    form8_ = std::make_unique<TForm8>(context);
    context.Form8 = form8_.get();
    form8_->Follow(form1_.get());
}

WindowSet::~WindowSet() {
    // Later windows first; none is reachable through the context any more.
    context_.Form8 = nullptr;
    form8_.reset();
    context_.Form7 = nullptr;
    form7_.reset();
    context_.Form5 = nullptr;
    form5_.reset();
    context_.Form4 = nullptr;
    form4_.reset();
    context_.Form3 = nullptr;
    form3_.reset();
    context_.Form2 = nullptr;
    form2_.reset();
    context_.Form1 = nullptr;
    form1_.reset();
    context_.Form6 = nullptr;
    form6_.reset();
}

}  // namespace sitora::ui
