#pragma once
// The whole window set over a temporary program folder, driven as a user would.
#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <map>
#include <memory>

#include "data/data_module.h"
#include "support/scripted_services.h"
#include "support/temp_folder.h"
#include "ui/app_context.h"
#include "ui/window_set.h"

namespace sitora::test {

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the window set (the program's start-up after the single-instance test).
    void StartWindows();
    // Logs in with the empty password of a fresh program folder and shows the main window.
    void LogIn();
    // Inserts records straight into db.mdb (without the add window).
    void InsertRecord(const std::map<std::string, std::string>& record);
    // An account column of the record at `address` as stored, opened with the register key that
    // `data_key` (UTF-8) opens ("<refused>" when it does not open); code page 936 bytes.
    std::string OpenedAccount(const std::string& column, const std::string& address, const std::string& data_key);

    template <typename T>
    T* Find(QWidget* window, const char* name) {
        T* child = window->findChild<T*>(name);
        EXPECT_NE(child, nullptr) << name;
        return child;
    }
    void Click(QWidget* window, const char* button) { Find<QPushButton>(window, button)->click(); }
    void Trigger(QWidget* window, const char* item) { Find<QAction>(window, item)->trigger(); }
    QString Text(QWidget* window, const char* label) { return Find<QLabel>(window, label)->text(); }
    void Type(QWidget* window, const char* edit, const QString& text) { Find<QLineEdit>(window, edit)->setText(text); }
    bool Enabled(QWidget* window, const char* button) { return Find<QPushButton>(window, button)->isEnabled(); }

    TempFolder program_;
    TempFolder private_;
    ScriptedBoxes boxes_;
    ScriptedSaveDialog save_;
    ScriptedOpenDialog open_;
    RecordingUrlOpener urls_;
    int end_requests_ = 0;
    std::unique_ptr<data::TDataModule1> module_;
    std::unique_ptr<ui::AppContext> context_;
    std::unique_ptr<ui::WindowSet> windows_;
};

}  // namespace sitora::test
