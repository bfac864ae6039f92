#pragma once
// The banner window: a borderless strip that hangs under the main window.
#include <QWidget>

#include "ui/app_context.h"

namespace sitora::ui {

class TForm8 : public QWidget {
    Q_OBJECT
public:
    explicit TForm8(AppContext& context);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    AppContext& context_;
};

}  // namespace sitora::ui
