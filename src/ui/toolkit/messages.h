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

// The register holds sealed accounts but its key is gone or damaged: nothing is revealed or written.
inline const QString kRegisterKeyMissingText = QStringLiteral(
    "此登记簿的密钥（t_key 表）缺失或损坏：已加密的账号资料无法读取，也不能写入新的账号资料。\r"
    "请从备份中恢复 t_key 表，切勿另建密钥。");

// The data key is kept in the user's keyring, which could not give it (`why`: its own words).
inline QString KeyringUnavailableText(const QString& why) {
    return "无法从密钥环读取数据密钥：" + why +
           "\r账号资料暂不显示，也不能写入；列表、计数、导出和到期提醒照常可用。\r请解锁密钥环后重新启动本软件。";
}

// The contact message box's two lines.
inline QString ContactText() { return "网站：" + kMakerWebAddress + "\r邮箱：" + kMakerEmail; }

}  // namespace sitora::ui
