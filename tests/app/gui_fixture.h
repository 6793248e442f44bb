#pragma once
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <filesystem>
#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

#include "app/main_form.h"
#include "platform/qt/message_box.h"
#include "tasks/options.h"

// A main window over stores in a fresh directory, with message boxes answered by the test.
class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ =
            std::filesystem::temp_directory_path() / ("korvel-app-" + std::to_string(std::random_device{}()));
        std::filesystem::create_directories(dir_);
        korvel::Options() = korvel::TOptionsData{false, false};
        korvel::SetMessageBoxHandler(
            [this](const std::string& text, const std::string& title, korvel::MsgButtons) {
                boxes.push_back(text);
                EXPECT_EQ(title, "Korvel");
                return answer;
            });
    }
    void TearDown() override {
        korvel::SetMessageBoxHandler({});
        form_.reset();
        std::filesystem::remove_all(dir_);
    }

    korvel::TMainForm& Form() {
        if (!form_)
            form_ = std::make_unique<korvel::TMainForm>(Dir());
        return *form_;
    }
    std::string Dir() const { return dir_.string() + "/"; }

    korvel::TTask& AddNamed(const std::string& name) {
        auto t = std::make_unique<korvel::TTask>();
        t->TaskName = name;
        return Form().AllTasks().Add(std::move(t));
    }

    std::vector<std::string> TreeTexts() {
        std::vector<std::string> texts;
        QTreeWidgetItemIterator it(Form().TasksTree());
        for (; *it; ++it) {
            std::string indent((*it)->parent() ? "  " : "");
            texts.push_back(indent + (*it)->text(0).toStdString());
        }
        return texts;
    }

    std::vector<std::string> boxes;
    korvel::MsgResult answer = korvel::MsgResult::Ok;
    std::filesystem::path dir_;
    std::unique_ptr<korvel::TMainForm> form_;
};
