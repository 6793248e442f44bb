// The history window and "Activate schedule", over the real crontab.

#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "app/language.h"
#include "crontab_fixture.h"
#include "schedule/schedulesdecl_u.h"
#include "schedule/ui/activate_schedule.h"
#include "schedule/ui/job_description.h"
#include "schedule/ui/tasks_history_form.h"

using namespace korvel;

namespace {

TAtInfo Job(std::uint32_t hour, std::uint32_t minute, std::uint32_t monthDays, std::uint8_t weekDays) {
    TAtInfo info;
    info.JobTime = hour * 3600000 + minute * 60000;
    info.DaysOfMonth = monthDays;
    info.DaysOfWeek = weekDays;
    info.Flags = JOB_RUN_PERIODICALLY;
    info.Command = "'/opt/korvel' /t 1";
    return info;
}

QString Day(int day) {
    return QLocale::system().dayName(day, QLocale::ShortFormat);
}

struct DescriptionCase {
    const char* name;
    TAtInfo info;
    bool russian;
    QString expected;
};

TEST(JobDescriptionTest, Table) {
    const DescriptionCase cases[] = {
        {"daily", Job(14, 30, 0, 0x7F), false, "14:30 every day"},
        {"monthly", Job(9, 5, 1'049'601, 0), false, "09:05 on day 1, etc of every month"},
        {"day 31", Job(23, 59, 1u << 30, 0), false, "23:59 on day 31 of every month"},
        {"weekly", Job(14, 30, 0, 0x11), false, "14:30 every " + Day(1) + ", " + Day(5)},
        {"weekly, all days", Job(6, 0, 0, 0x7F), false, "06:00 every day"},
        {"no day", Job(6, 0, 0, 0), false, "06:00 every "},
        {"daily, Russian", Job(0, 0, 0, 0x7F), true, "00:00 каждый день"},
        {"monthly, Russian", Job(9, 5, 1'049'601, 0), true, "09:05 в день 1, итд каждого месяца"},
        {"weekly, Russian", Job(7, 15, 0, 0x40), true, "07:15 каждый " + Day(7)},
    };
    for (const auto& c : cases) {
        ApplyLanguage(c.russian);
        EXPECT_EQ(JobRunTime(c.info), c.expected) << c.name;
    }
    ApplyLanguage(false);
}

TEST(JobDescriptionTest, RunDates) {
    EXPECT_EQ(HistoryRunTime(EncodeDateTime({2026, 3, 4, 7, 5, 59, 999})), "03/04/2026    07:05");
    EXPECT_EQ(HistoryRunTime(EncodeDateTime({1999, 12, 31, 23, 59, 0, 0})), "12/31/1999    23:59");
}

class HistoryFormTest : public korvel_test::CrontabTest {
protected:
    void SetUp() override {
        CrontabTest::SetUp();
        if (IsSkipped())
            return;
        tasks_ = std::make_unique<TTasksList>(scratch_.string() + "/");
        for (const char* name : {"Documents", "Photos"}) {
            auto t = std::make_unique<TTask>();
            t->TaskName = name;
            tasks_->Add(std::move(t));
        }
        form_ = std::make_unique<TTasksHistoryForm>(
            *tasks_, [this](const std::string& text, const std::string& title, MsgButtons b) {
                boxes.push_back(text);
                EXPECT_EQ(title, "Korvel");
                EXPECT_EQ(b, MsgButtons::OkCancel);
                return answer;
            });
    }
    void TearDown() override {
        form_.reset();
        ApplyLanguage(false);
        CrontabTest::TearDown();
    }

    std::uint32_t AddJob(const TAtInfo& info, const std::string& taskName) {
        std::uint32_t id = 0;
        EXPECT_EQ(ScheduleJobAdd(info, id), TJobStatus::Ok);
        tasks_->Schedules.AddSchedule(taskName, id);
        return id;
    }
    static std::vector<QString> Rows(QTreeWidget* list) {
        std::vector<QString> rows;
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            rows.push_back(list->topLevelItem(i)->text(0) + "|" + list->topLevelItem(i)->text(1));
        return rows;
    }

    std::unique_ptr<TTasksList> tasks_;
    std::unique_ptr<TTasksHistoryForm> form_;
    std::vector<std::string> boxes;
    MsgResult answer = MsgResult::Ok;
};

TEST_F(HistoryFormTest, ListsRunsOnceAndTheJobsCronStillHolds) {
    SetCrontab("");
    tasks_->AddToHistory(1);
    tasks_->AddToHistory(0);
    tasks_->History[0].RunTime = EncodeDateTime({2026, 11, 2, 18, 7, 0, 0});
    const std::uint32_t gone = AddJob(Job(1, 0, 0, 0x7F), "Old task");
    AddJob(Job(9, 5, 1'049'601, 0), "Documents");
    ScheduleJobDel(gone, gone);

    form_->ShowHistory();
    form_->ShowHistory();
    EXPECT_TRUE(form_->isVisible());
    EXPECT_FALSE(form_->isModal());
    EXPECT_TRUE(form_->windowFlags() & Qt::WindowStaysOnTopHint);
    const auto runs = Rows(form_->ListView3);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0], "Photos|11/02/2026    18:07");
    EXPECT_TRUE(runs[1].startsWith("Documents|"));
    EXPECT_EQ(Rows(form_->ListView2), std::vector<QString>{"Documents|09:05 on day 1, etc of every month"});
    EXPECT_EQ(tasks_->Schedules.Count(), 2) << "a job cron no longer has stays listed until cleared";
    EXPECT_EQ(form_->ListView3->columnWidth(0), form_->ListView3->width() / 2 - 12);
}

TEST_F(HistoryFormTest, ClearSchedulesAsksAndCancelKeepsEverything) {
    SetCrontab("");
    AddJob(Job(8, 0, 0, 0x7F), "Documents");
    AddJob(Job(8, 0, 0, 0x7F), "Documents");
    const std::string before = Crontab();
    form_->ShowHistory();

    answer = MsgResult::Cancel;
    QTest::mouseClick(form_->Button1, Qt::LeftButton);
    EXPECT_EQ(boxes, std::vector<std::string>{"Clear all activated schedules?"});
    EXPECT_EQ(tasks_->Schedules.Count(), 2);
    EXPECT_EQ(Crontab(), before);
    EXPECT_EQ(form_->ListView2->topLevelItemCount(), 2);

    answer = MsgResult::Ok;
    tasks_->HistoryModified = false;
    QTest::mouseClick(form_->Button1, Qt::LeftButton);
    EXPECT_EQ(tasks_->Schedules.Count(), 0);
    EXPECT_TRUE(tasks_->HistoryModified);
    EXPECT_FALSE(HasCrontab()) << Crontab();
    EXPECT_EQ(form_->ListView2->topLevelItemCount(), 0);
}

TEST_F(HistoryFormTest, CtrlShiftVTogglesClearHistoryWhichKeepsTheJobs) {
    SetCrontab("");
    tasks_->AddToHistory(0);
    AddJob(Job(8, 0, 0, 0x7F), "Documents");
    form_->ShowHistory();
    EXPECT_TRUE(form_->Button3->isHidden());
    QTest::keyRelease(form_->ListView3, Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(form_->Button3->isHidden());
    EXPECT_TRUE(form_->Button3->text().isEmpty());

    QTest::mouseClick(form_->Button3, Qt::LeftButton);
    EXPECT_EQ(form_->ListView3->topLevelItemCount(), 0);
    TTasksList stored(tasks_->StoreDir());
    ASSERT_TRUE(stored.LoadHistory());
    EXPECT_EQ(stored.HistoryCount, 0);
    EXPECT_EQ(stored.Schedules.Count(), 1);

    QTest::keyRelease(form_.get(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(form_->Button3->isHidden());
    QTest::keyRelease(form_.get(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(form_->Button3->isHidden());
}

TEST_F(HistoryFormTest, TextsInBothLanguages) {
    ApplyLanguage(true);
    EXPECT_EQ(form_->windowTitle(), "История запуска задач");
    EXPECT_EQ(form_->Button1->text(), "Очистить планировщики");
    EXPECT_EQ(form_->Button2->text(), "Закрыть");
    EXPECT_EQ(form_->ListView3->headerItem()->text(1), "Дата / время запуска");
    EXPECT_EQ(form_->ListView2->headerItem()->text(1), "Время запуска");
    ApplyLanguage(false);
    EXPECT_EQ(form_->windowTitle(), "Tasks history");
    EXPECT_EQ(form_->Button1->text(), "Clear schedules");
    EXPECT_EQ(form_->ListView3->headerItem()->text(0), "Task name");
    EXPECT_EQ(form_->ListView2->headerItem()->text(1), "Run time");
}

// ---- Activate schedule ----

class ActivateTest : public HistoryFormTest {
protected:
    std::vector<std::string> Activate(int index) {
        std::vector<std::string> shown;
        ActivateSchedule(*tasks_, index, "/opt/korvel",
                         [&](const std::string& text, const std::string& title, MsgButtons) {
                             EXPECT_EQ(title, "Korvel");
                             shown.push_back(text);
                             return MsgResult::Ok;
                         });
        return shown;
    }
};

TEST_F(ActivateTest, TwiceGivesTwoJobsAndTwoEntries) {
    SetCrontab("");
    TTask& t = tasks_->Item(1);
    t.UseSchedule = true;
    const bool cronRunning = SchedulerRunning();
    const std::string ok = cronRunning ? "Task \"Photos\" scheduled successfully."
                                       : "Task \"Photos\" scheduled, but the cron daemon is not running: the "
                                         "schedule will fire once cron runs.";
    EXPECT_EQ(Activate(1), std::vector<std::string>{ok});
    EXPECT_EQ(Activate(1), std::vector<std::string>{ok});
    ASSERT_EQ(tasks_->Schedules.Count(), 2);
    EXPECT_EQ(tasks_->Schedules.Items[0].TaskName, "Photos");
    EXPECT_NE(tasks_->Schedules.Items[0].JobId, tasks_->Schedules.Items[1].JobId);
    EXPECT_TRUE(tasks_->HistoryModified);
    EXPECT_NE(Crontab().find("'/opt/korvel' /t 2 # korvel job"), std::string::npos) << Crontab();

    ApplyLanguage(true);
    if (cronRunning) {
        EXPECT_EQ(Activate(1), std::vector<std::string>{"Планирувщик задачи \"Photos\" успешно запущен."});
    }
}

TEST_F(ActivateTest, WhatCannotBeScheduledAddsNothing) {
    SetCrontab("");
    TTask& t = tasks_->Item(0);
    t.PerformTask = 2; // weekly with no day: nothing cron could start
    EXPECT_EQ(Activate(0), std::vector<std::string>{"Task \"Documents\" does not have schedule options."});
    t.UseSchedule = true;
    EXPECT_EQ(Activate(0), std::vector<std::string>{"Could not schedule the task \"Documents\"."});
    ApplyLanguage(true);
    EXPECT_EQ(Activate(0),
              std::vector<std::string>{"Не получилось запустмть планировкщик для задачи \"Documents\"."});
    t.UseSchedule = false;
    EXPECT_EQ(Activate(0), std::vector<std::string>{"У задачи \"Documents\" не задан планировщик."});
    ApplyLanguage(false);

    t.UseSchedule = true;
    t.PerformTask = 1;
    const std::string path = std::getenv("PATH");
    setenv("PATH", "/nonexistent", 1);
    const auto shown = Activate(0);
    setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(shown,
              std::vector<std::string>{"Could not schedule the task \"Documents\": the cron scheduler is "
                                       "not installed (the crontab command was not found)."});
    EXPECT_EQ(tasks_->Schedules.Count(), 0);
    EXPECT_FALSE(tasks_->HistoryModified);
    EXPECT_FALSE(HasCrontab());
}

} // namespace
