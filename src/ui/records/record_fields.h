#pragma once
// The four groups of a website record shared by the add window and the detail window:
// site data, database data, the four dates as year/month/day lists, and the remark.
#include <QString>
#include <array>
#include <optional>

#include "data/record_entry.h"

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QWidget;

namespace sitora::ui {

class ChoiceList;

struct DateLists {
    ChoiceList* year;
    ChoiceList* month;
    ChoiceList* day;
};

using data::ListDate;

struct RecordFields {
    // Edit1..Edit17 and Edit21 by their number (other slots stay empty).
    std::array<QLineEdit*, 22> edit{};
    QPlainTextEdit* Memo1 = nullptr;
    // Space purchase, space expiry, domain application, domain expiry (ComboBox1..12).
    std::array<DateLists, 4> dates{};
    QGroupBox* site = nullptr;
    QGroupBox* database = nullptr;
    QGroupBox* dates_group = nullptr;
    QGroupBox* remark = nullptr;

    void ClearTexts() const;
};

enum DateIndex { kSpacePurchase = 0, kSpaceExpiry = 1, kDomainApplication = 2, kDomainExpiry = 3 };

// Lays the groups out on `window`; `section_height` adds room for a row of section buttons.
RecordFields BuildRecordFields(QWidget* window, int section_button_room);

// "2010-1-1" from the lists, exactly as they show their texts.
QString DateText(const DateLists& lists);
// The three numbers, or nothing when a list shows text that is not a whole number.
std::optional<ListDate> ReadListDate(const DateLists& lists);
// The first failed date order check's message, or nothing when both orders hold.
std::optional<QString> DateOrderError(const RecordFields& fields);

}  // namespace sitora::ui
