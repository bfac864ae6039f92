#pragma once
// A drop-down list of fixed entries (years, months, days, lead times): it opens on a click
// anywhere on it, typed characters are dropped (a value changes only by choosing an entry: the
// arrow keys, the wheel, the opened list), and a value shown is always the chosen entry, so
// that the wheel or the arrow keys move on from it. Read-only, it shows its
// value as it is, ungreyed, and takes no change.
#include <QComboBox>

namespace sitora::ui {

class ChoiceList : public QComboBox {
    Q_OBJECT
public:
    ChoiceList(QWidget* parent, const QString& name, QRect geometry, int first, int last);

    // Chooses the entry `text`. A text that is no entry (a value stored by another program)
    // is shown as an entry of its own until the next choice.
    void Choose(const QString& text);
    void SetReadOnly(bool read_only) { read_only_ = read_only; }

    void showPopup() override;

protected:
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool read_only_ = false;
};

}  // namespace sitora::ui
