#pragma once
// One task editor with its message boxes and folder chooser answered by the test.

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTimeEdit>
#include <deque>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "app/language.h"
#include "editor/task_ed_form.h"
#include "platform/qt/message_box.h"
#include "tasks/options.h"

// Readable QStrings in failure messages.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override {
        korvel::Options() = korvel::TOptionsData{false, false};
        korvel::ApplyLanguage(false);
        korvel::SetMessageBoxHandler(
            [this](const std::string& text, const std::string& title, korvel::MsgButtons) {
                boxes.push_back(text);
                EXPECT_EQ(title, "Korvel");
                return korvel::MsgResult::Ok;
            });
        form = std::make_unique<korvel::TTaskEdForm>();
        form->Services().BrowseForFolder = [this](std::string& path, const QString& title, bool newStyle) {
            pickerTitles.push_back(title.toStdString());
            pickerNewStyle.push_back(newStyle);
            if (picks.empty())
                return false;
            path = picks.front();
            picks.pop_front();
            return true;
        };
    }
    void TearDown() override {
        form.reset();
        korvel::SetMessageBoxHandler({});
        korvel::ApplyLanguage(false);
    }

    // A click as the user makes it: signals of clicks, not of programmatic changes.
    static void Click(QAbstractButton* button) { button->click(); }
    void ClickType(int type) { Click(form->CompressTypeButtons->button(type)); }
    void SelectDir(int row) { form->SourceDirsList->setCurrentRow(row); }

    std::unique_ptr<korvel::TTaskEdForm> form;
    std::vector<std::string> boxes;
    std::deque<std::string> picks; // the folders the chooser returns, in turn
    std::vector<std::string> pickerTitles;
    std::vector<bool> pickerNewStyle;
};
