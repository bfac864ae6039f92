#pragma once
// The detail and modify window: one record in full, changed section by section.
#include <QWidget>

#include "ui/app_context.h"

namespace sitora::ui {

class TForm3 : public QWidget {
    Q_OBJECT
public:
    explicit TForm3(AppContext& context);

    // Loads the record with this address and shows the window in modify or read-only form.
    void OpenRecord(const QString& address, bool read_only);

private:
    AppContext& context_;
};

}  // namespace sitora::ui
