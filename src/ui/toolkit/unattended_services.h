#pragma once
// Answers for windows run with nobody at the desktop (the benchmark, the screenshots): every
// box is taken as OK, every file dialog cancelled, every address left unopened.
#include "ui/toolkit/services.h"

namespace sitora::ui {

class UnattendedServices {
public:
    Services services() { return {boxes_, save_, urls_, open_}; }

private:
    class OkBoxes : public MessageBoxes {
    public:
        BoxAnswer Show(const QString&, const QString&, int, QWidget* = nullptr) override { return BoxAnswer::Ok; }
    };
    class CancelledSave : public SaveDialog {
    public:
        std::optional<SaveAnswer> Ask(const SaveRequest&) override { return std::nullopt; }
    };
    class CancelledOpen : public OpenDialog {
    public:
        std::optional<QString> Ask(const OpenRequest&) override { return std::nullopt; }
    };
    class UnopenedUrls : public UrlOpener {
    public:
        void Open(const QString&) override {}
    };

    OkBoxes boxes_;
    CancelledSave save_;
    UnopenedUrls urls_;
    CancelledOpen open_;
};

}  // namespace sitora::ui
