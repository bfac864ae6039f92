#pragma once
// Small helpers that lay out the windows' controls at fixed positions, each with the
// component name tests and the window's code find it by.
#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QString>
#include <functional>

namespace sitora::ui {

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption, QRect geometry,
                        const QString& hint = {});
QLabel* MakeLabel(QWidget* parent, const char* name, const QString& caption, QRect geometry);
QLineEdit* MakeEdit(QWidget* parent, const char* name, QRect geometry, bool password = false);
QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const QString& caption, QRect geometry);
// A bar that stands empty until work reports its progress.
QProgressBar* MakeProgressBar(QWidget* parent, const char* name, QRect geometry);
QAction* AddMenuItem(QMenu* menu, const char* name, const QString& caption);

// Applies the program's font and a fixed client size to a top-level window.
void SetUpWindow(QWidget* window, const QString& caption, int client_width, int client_height);

// Centres a top-level window on the screen it is on.
void CentreOnScreen(QWidget* window);

// Runs `then` from the event loop once `window` is on the screen: a box shown over a window the
// window manager has not mapped yet stays undrawn under some window managers.
void WhenOnScreen(QWidget* window, std::function<void()> then);

}  // namespace sitora::ui
