#pragma once
// The add window: a new website record.
#include <QWidget>

#include "protect/secret_bytes.h"
#include "ui/app_context.h"
#include "ui/records/record_fields.h"

namespace sitora::ui {

class TForm2 : public QWidget {
    Q_OBJECT
public:
    explicit TForm2(AppContext& context);

    void AddRecord();   // "添  加"
    void ClearFields(); // "清  空"
    void Exit();        // "退   出"

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Look-up by a statement on ADOQuery2: does any row exist?
    bool Exists(const std::string& statement);
    // The look-ups, the date order and the insert as one step: kAdded or the refusal.
    QString CheckAndInsert(const std::string& number);
    void Insert(const protect::SecretBytes& register_key);

    AppContext& context_;
    RecordFields fields_;
    bool centred_ = false;
};

}  // namespace sitora::ui
