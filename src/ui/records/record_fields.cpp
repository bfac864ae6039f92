#include "ui/records/record_fields.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "ui/toolkit/choice_list.h"
#include "ui/toolkit/widgets.h"

namespace sitora::ui {
namespace {

constexpr int kMargin = 8;
constexpr int kRowHeight = 30;
constexpr int kPairWidth = 190;
constexpr int kLabelWidth = 78;
constexpr int kFieldWidth = 104;

struct FieldPlace {
    int number;
    const char* label;
};

// Fields in rows of four label-field pairs.
void AddFieldRows(QGroupBox* group, RecordFields& fields, std::initializer_list<FieldPlace> places) {
    int index = 0;
    for (const FieldPlace& place : places) {
        const int x = kMargin + (index % 4) * kPairWidth;
        const int y = 24 + (index / 4) * kRowHeight;
        MakeLabel(group, qPrintable(QString("LabelEdit%1").arg(place.number)), place.label, QRect(x, y + 2, kLabelWidth, 22));
        fields.edit[place.number] = MakeEdit(group, qPrintable(QString("Edit%1").arg(place.number)),
                                            QRect(x + kLabelWidth, y, kFieldWidth, 24));
        ++index;
    }
}

ChoiceList* MakeList(QWidget* parent, int number, QRect geometry, int first, int last, int initial) {
    auto* list = new ChoiceList(parent, QString("ComboBox%1").arg(number), geometry, first, last);
    list->setCurrentIndex(initial - first);
    return list;
}

// The number field holds a 14-digit time stamp: where the bold face is too wide for the
// field, its digits get a narrower face of the same family until all fourteen fit.
void FitTimeStamp(QLineEdit* number) {
    const QString stamp(14, '0');
    const int room = number->width() - 10;  // the frame and the text margins
    QFont font = number->font();
    if (QFontMetrics(font).horizontalAdvance(stamp) <= room) return;
    font.setBold(false);
    for (int pixels = font.pixelSize() > 0 ? font.pixelSize() : 13; pixels > 9; --pixels) {
        font.setPixelSize(pixels);
        if (QFontMetrics(font).horizontalAdvance(stamp) <= room) break;
    }
    number->setFont(font);
}

}  // namespace

void RecordFields::ClearTexts() const {
    for (int number = 1; number <= 17; ++number) edit[number]->clear();
    edit[21]->clear();
    Memo1->clear();
}

RecordFields BuildRecordFields(QWidget* window, int section_button_room) {
    RecordFields fields;
    const int width = window->width() - 2 * kMargin;
    int top = kMargin;

    fields.site = new QGroupBox("网站资料", window);
    fields.site->setObjectName("GroupBox1");
    AddFieldRows(fields.site, fields,
                 {{1, "网站编号："}, {2, "网站名称："}, {3, "网站地址："}, {4, "后台地址："},
                  {5, "后台用户："}, {6, "后台密码："}, {7, "网站IP："}, {8, "网站域名："},
                  {9, "域名用户："}, {10, "域名密码："}, {11, "联系人："}, {12, "网站容量："}});
    FitTimeStamp(fields.edit[1]);
    fields.site->setGeometry(kMargin, top, width, 24 + 3 * kRowHeight + 6 + section_button_room);
    top += fields.site->height() + 6;

    fields.database = new QGroupBox("数据库资料", window);
    fields.database->setObjectName("GroupBox2");
    AddFieldRows(fields.database, fields,
                 {{13, "数据库名："}, {14, "容      量："}, {15, "地   址："}, {16, "用 户 名："},
                  {17, "密      码："}, {21, "类      型："}});
    fields.database->setGeometry(kMargin, top, width, 24 + 2 * kRowHeight + 6 + section_button_room);
    top += fields.database->height() + 6;

    fields.dates_group = new QGroupBox("日期", window);
    fields.dates_group->setObjectName("GroupBox3");
    const struct {
        const char* label;
        int initial_year;
    } date_specs[] = {{"网站空间购买日期：", 2010}, {"网站空间到期时间：", 2011},
                      {"网站域名申请时间：", 2010}, {"网站域名到期时间：", 2011}};
    for (int i = 0; i < 4; ++i) {
        const int x = kMargin + (i % 2) * 390;
        const int y = 24 + (i / 2) * kRowHeight;
        QWidget* group = fields.dates_group;
        MakeLabel(group, qPrintable(QString("LabelDate%1").arg(i + 1)), date_specs[i].label, QRect(x, y + 2, 130, 22));
        const int list = 3 * i + 1;
        fields.dates[i].year = MakeList(group, list, QRect(x + 130, y, 66, 24), 2000, 3000, date_specs[i].initial_year);
        MakeLabel(group, nullptr, "年", QRect(x + 198, y + 2, 16, 22));
        fields.dates[i].month = MakeList(group, list + 1, QRect(x + 216, y, 50, 24), 1, 12, 1);
        MakeLabel(group, nullptr, "月", QRect(x + 268, y + 2, 16, 22));
        fields.dates[i].day = MakeList(group, list + 2, QRect(x + 286, y, 50, 24), 1, 31, 1);
        MakeLabel(group, nullptr, "日", QRect(x + 338, y + 2, 16, 22));
    }
    fields.dates_group->setGeometry(kMargin, top, width, 24 + 2 * kRowHeight + 6 + section_button_room);
    top += fields.dates_group->height() + 6;

    fields.remark = new QGroupBox("备注信息", window);
    fields.remark->setObjectName("GroupBox4");
    fields.Memo1 = new QPlainTextEdit(fields.remark);
    fields.Memo1->setObjectName("Memo1");
    fields.Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Tab moves on to the next field, as in every other field: a remark holds no tabs.
    fields.Memo1->setTabChangesFocus(true);
    fields.Memo1->setGeometry(kMargin, 22, width - 2 * kMargin, 70);
    fields.remark->setGeometry(kMargin, top, width, 22 + 70 + 8 + section_button_room);
    return fields;
}

QString DateText(const DateLists& lists) {
    return lists.year->currentText() + "-" + lists.month->currentText() + "-" + lists.day->currentText();
}

std::optional<ListDate> ReadListDate(const DateLists& lists) {
    bool year_ok = false, month_ok = false, day_ok = false;
    ListDate date{lists.year->currentText().toInt(&year_ok), lists.month->currentText().toInt(&month_ok),
                  lists.day->currentText().toInt(&day_ok)};
    if (!year_ok || !month_ok || !day_ok) return std::nullopt;
    return date;
}

std::optional<QString> DateOrderError(const RecordFields& fields) {
    auto space_purchase = ReadListDate(fields.dates[kSpacePurchase]);
    auto space_expiry = ReadListDate(fields.dates[kSpaceExpiry]);
    auto domain_application = ReadListDate(fields.dates[kDomainApplication]);
    auto domain_expiry = ReadListDate(fields.dates[kDomainExpiry]);
    if (!space_purchase || !space_expiry || !domain_application || !domain_expiry) return QString("数据修改出错");
    if (auto refusal = data::DateOrderRefusal(*space_purchase, *space_expiry, *domain_application, *domain_expiry))
        return QString::fromUtf8(refusal->data(), static_cast<int>(refusal->size()));
    return std::nullopt;
}

}  // namespace sitora::ui
