#pragma once
// The expiry window: the records whose hosting space or domain is due.
#include <QWidget>

#include "ui/app_context.h"

namespace sitora::ui {

class TForm4 : public QWidget {
    Q_OBJECT
public:
    explicit TForm4(AppContext& context);

private:
    AppContext& context_;
};

}  // namespace sitora::ui
