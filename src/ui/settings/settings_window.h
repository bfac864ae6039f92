#pragma once
// The settings window: lead times, compaction and the data key.
#include <QWidget>

#include "ui/app_context.h"

namespace sitora::ui {

class TForm5 : public QWidget {
    Q_OBJECT
public:
    explicit TForm5(AppContext& context);

private:
    AppContext& context_;
};

}  // namespace sitora::ui
