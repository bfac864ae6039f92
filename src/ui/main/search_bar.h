#pragma once
// The search bar under a list's grid: moves the list's current row to the first record
// that matches the chosen query type and keyword. It never reloads the list.
#include <QFrame>

class QComboBox;
class QLineEdit;

namespace sitora::ui {

class DataGrid;
struct AppContext;

class SearchBar : public QFrame {
    Q_OBJECT
public:
    // `keyword_name` is the keyword field's component name ("Edit1" in the main window,
    // "Edit2" in the expiry window); `failure_text` the window's failure message.
    SearchBar(AppContext& context, DataGrid& grid, const char* keyword_name, QString failure_text,
              QWidget* parent);

    void Toggle() { setVisible(isHidden()); }
    void Search();  // "查询"

private:
    AppContext& context_;
    DataGrid& grid_;
    QString failure_text_;
    QComboBox* ComboBox1;
    QLineEdit* keyword_;
};

}  // namespace sitora::ui
