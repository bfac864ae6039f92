#pragma once
// The help window: who made the program and how to reach them.
#include <QShowEvent>
#include <QWidget>

#include "ui/app_context.h"

namespace sitora::ui {

class TForm7 : public QWidget {
    Q_OBJECT
public:
    explicit TForm7(AppContext& context);

protected:
    void showEvent(QShowEvent* event) override;
};

}  // namespace sitora::ui
