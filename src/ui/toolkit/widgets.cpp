#include "ui/toolkit/widgets.h"

#include <QGuiApplication>
#include <QTimer>
#include <QWindow>
#include <QKeyEvent>
#include <QScreen>
#include <limits>

#include "ui/toolkit/program_font.h"

namespace sitora::ui {
namespace {

// Waits for the first expose of a window, then hands `then` to the event loop and goes.
class ExposeWaiter : public QObject {
public:
    ExposeWaiter(QWindow* window, QObject* owner, std::function<void()> then)
        : QObject(window), owner_(owner), then_(std::move(then)) {
        window->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            watched->removeEventFilter(this);  // once, however many exposes follow
            QTimer::singleShot(0, owner_, then_);
            deleteLater();
        }
        return false;
    }

private:
    QObject* owner_;
    std::function<void()> then_;
};

// Enter on a focused button presses it, as Space does (Qt leaves that to dialogs' default
// buttons, and the program's windows are no dialogs).
class EnterPresses : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) || key->modifiers() & ~Qt::KeypadModifier)
            return false;
        auto* button = static_cast<QPushButton*>(watched);
        if (!button->isEnabled()) return false;
        button->click();
        return true;
    }
};

}  // namespace

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QRect geometry,
                        const QString& hint) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    button->installEventFilter(new EnterPresses(button));
    if (!hint.isEmpty()) button->setToolTip(hint);
    return button;
}

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    auto* label = new QLabel(caption, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setGeometry(geometry);
    return box;
}

QProgressBar* MakeProgressBar(QWidget* parent, const char* name, QRect geometry) {
    auto* bar = new QProgressBar(parent);
    bar->setObjectName(name);
    bar->setGeometry(geometry);
    bar->setRange(0, 1);
    bar->setValue(0);
    return bar;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, QRect geometry, bool password) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setGeometry(geometry);
    edit->setMaxLength(std::numeric_limits<int>::max());  // the fields have no length limit of their own
    if (password) {
        edit->setEchoMode(QLineEdit::Password);
        edit->setStyleSheet("lineedit-password-character: 42;");  // each character shown as "*"
    }
    return edit;
}

QAction* AddMenuItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    return action;
}

void SetUpWindow(QWidget* window, const QString& caption, int client_width, int client_height) {
    window->setWindowTitle(caption);
    window->setFont(ProgramFont());
    window->setFixedSize(client_width, client_height);
}

void CentreOnScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

void WhenOnScreen(QWidget* window, std::function<void()> then) {
    QWindow* handle = window->window()->windowHandle();
    if (!handle || handle->isExposed()) {
        QTimer::singleShot(0, window, std::move(then));
        return;
    }
    new ExposeWaiter(handle, window, std::move(then));
}

}  // namespace sitora::ui
