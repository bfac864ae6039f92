#pragma once
// The add window: a new website record.
#include <QWidget>

#include "ui/app_context.h"

namespace sitora::ui {

class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(AppContext& context);

private:
    AppContext& context_;
};

}  // namespace sitora::ui
