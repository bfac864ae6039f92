#pragma once
// The maker's contact details and the message texts built from them, kept in one place.
#include <QString>

namespace sitora::ui {

inline const QString kMakerWebAddress = QStringLiteral("www.sitora.example");
inline const QString kMakerEmail = QStringLiteral("help@sitora.example");
inline const QString kAuthorName = QStringLiteral("Sitora 开发组");
inline const QString kHelpQq = QStringLiteral("800012345");

inline const QString kPromptTitle = QStringLiteral("提示");

// `head`, two carriage returns, "在线帮助", then the web and e-mail lines.
inline QString WithContactLines(const QString& head) {
    return head + "\r\r在线帮助\r网站：" + kMakerWebAddress + "\r邮箱：" + kMakerEmail;
}

// The contact message box's two lines.
inline QString ContactText() { return "网站：" + kMakerWebAddress + "\r邮箱：" + kMakerEmail; }

}  // namespace sitora::ui
