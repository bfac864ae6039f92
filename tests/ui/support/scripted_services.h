#pragma once
// Message boxes, file dialogs and a URL opener that tests script and inspect.
#include <deque>
#include <optional>
#include <vector>

#include "ui/toolkit/services.h"

namespace sitora::test {

struct ShownBox {
    QString text;
    QString title;
    int flags;
};

class ScriptedBoxes : public ui::MessageBoxes {
public:
    ui::BoxAnswer Show(const QString& text, const QString& title, int flags, QWidget* over = nullptr) override {
        last_over = over;
        shown.push_back({text, title, flags});
        if (answers.empty()) return ui::BoxAnswer::Ok;
        ui::BoxAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    QString LastText() const { return shown.empty() ? QString() : shown.back().text; }
    std::vector<ShownBox> shown;
    std::deque<ui::BoxAnswer> answers;  // Ok when empty
    QWidget* last_over = nullptr;       // the window the last box was shown over
};

class ScriptedSaveDialog : public ui::SaveDialog {
public:
    std::optional<ui::SaveAnswer> Ask(const ui::SaveRequest& request) override {
        requests.push_back(request);
        std::optional<ui::SaveAnswer> answer;
        if (!answers.empty()) {
            answer.swap(answers.front());
            answers.pop_front();
        }
        return answer;
    }
    std::vector<ui::SaveRequest> requests;
    std::deque<std::optional<ui::SaveAnswer>> answers;  // cancel when empty
};

class ScriptedOpenDialog : public ui::OpenDialog {
public:
    std::optional<QString> Ask(const ui::OpenRequest& request) override {
        requests.push_back(request);
        if (answers.empty()) return std::nullopt;
        const QString answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<ui::OpenRequest> requests;
    std::deque<QString> answers;  // cancel when empty
};

class RecordingUrlOpener : public ui::UrlOpener {
public:
    void Open(const QString& address) override { opened.push_back(address); }
    std::vector<QString> opened;
};

}  // namespace sitora::test
