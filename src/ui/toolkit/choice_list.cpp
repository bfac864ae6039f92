#include "ui/toolkit/choice_list.h"

#include <QKeyEvent>
#include <QWheelEvent>

namespace sitora::ui {
namespace {

constexpr int kForeignEntryRole = Qt::UserRole + 1;

}  // namespace

ChoiceList::ChoiceList(QWidget* parent, const QString& name, QRect geometry, int first, int last) : QComboBox(parent) {
    setObjectName(name);
    setGeometry(geometry);
    for (int value = first; value <= last; ++value) addItem(QString::number(value));
}

void ChoiceList::Choose(const QString& text) {
    for (int i = count() - 1; i >= 0; --i)
        if (itemData(i, kForeignEntryRole).toBool() && itemText(i) != text) removeItem(i);
    int index = findText(text, Qt::MatchExactly);
    if (index < 0) {
        addItem(text);
        index = count() - 1;
        setItemData(index, true, kForeignEntryRole);
    }
    setCurrentIndex(index);
}

void ChoiceList::showPopup() {
    if (!read_only_) QComboBox::showPopup();
}

void ChoiceList::wheelEvent(QWheelEvent* event) {
    if (read_only_) {
        event->ignore();
        return;
    }
    QComboBox::wheelEvent(event);
}

void ChoiceList::keyPressEvent(QKeyEvent* event) {
    if (read_only_) {
        event->ignore();
        return;
    }
    // A typed "3" would otherwise pick the first entry that starts with it (the year 3000).
    const QString typed = event->text();
    const bool character = !typed.isEmpty() && typed.at(0).isPrint() && typed != " ";
    if (character && !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}

}  // namespace sitora::ui
