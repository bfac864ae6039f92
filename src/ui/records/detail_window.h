#pragma once
// The detail and modify window: one record in full, changed section by section.
#include <QWidget>
#include <map>
#include <string>

#include "data/result_set.h"
#include "protect/record_reveal.h"
#include "ui/app_context.h"
#include "ui/records/record_fields.h"

class QPushButton;

namespace sitora::ui {

class TForm3 : public QWidget {
    Q_OBJECT
public:
    explicit TForm3(AppContext& context);

    // The opener's hand-over: the record's address, the form (modify or read-only), then show.
    // A window already shown loads the new record at once.
    void OpenRecord(const QString& address, bool read_only);
    // The expiry marker: "1" while the expiry window opened this window.
    void SetExpiryMarker(const QString& text);
    QString ExpiryMarker() const;

    void Load();
    void SaveSite();      // BitBtn1
    void SaveDatabase();  // BitBtn2
    void SaveDates();     // BitBtn3
    void SaveRemark();    // BitBtn4
    bool RecordLoaded() const { return loaded_; }

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FillFields(const protect::ColumnReader& column, const protect::RevealedAccounts& accounts);
    void FillDates(const protect::ColumnReader& column);
    // Runs a section's update on ADOQuery4; reports under the section's title.
    void RunSave(const QString& title, const std::function<void(data::TADOQuery&)>& set_statement);
    // Seals a section's account values (code page 936 bytes) for this record under the register
    // key; throws when the data key does not open it.
    using AccountSealer = std::function<std::string(const char* column, std::string value)>;
    AccountSealer Sealer();

    AppContext& context_;
    RecordFields fields_;
    QLineEdit* Edit22;
    std::array<QPushButton*, 8> section_buttons_{};
    bool loaded_ = false;
    bool centred_ = false;
};

}  // namespace sitora::ui
