// The whole road of a scheduled backup on the machine's own cron: activated through
// the main window, started by cron as "korvel /t N" without a desktop, recorded in
// the history, and removed again with Clear schedules.

#include <QAction>
#include <QTreeWidget>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/main_form.h"
#include "crontab_fixture.h"
#include "schedule/schedulesdecl_u.h"
#include "schedule/ui/activate_schedule.h"
#include "schedule/ui/tasks_history_form.h"
#include "tasks/options.h"

using namespace korvel;
namespace fs = std::filesystem;

namespace {

class CronRunTest : public korvel_test::CrontabTest {
protected:
    void SetUp() override {
        CrontabTest::SetUp();
        if (IsSkipped())
            return;
        if (!SchedulerRunning()) {
            // As root (CI) the daemon is started directly; elsewhere through the service.
            if (Shell("cron >/dev/null 2>&1 || service cron start >/dev/null 2>&1") != 0 || !WaitForCron())
                GTEST_SKIP() << "the cron daemon is not running and could not be started";
            startedCron_ = true;
        }
        // Blanks and a "%" in the program's path: both mean something to cron's shell.
        dir_ = fs::path(KORVEL_TEST_TMP) / ("cron run 100% " + std::to_string(std::random_device{}()));
        fs::create_directories(dir_ / "src" / "sub");
        fs::copy_file(KORVEL_BINARY, dir_ / "korvel");
        std::ofstream(dir_ / "src" / "a.txt") << "alpha";
        std::ofstream(dir_ / "src" / "sub" / "b.txt") << "beta";
    }
    void TearDown() override {
        if (startedCron_) {
            std::ifstream pidFile("/run/crond.pid");
            long pid = 0;
            if (pidFile >> pid && pid > 1)
                Shell("kill " + std::to_string(pid));
        }
        if (!dir_.empty())
            fs::remove_all(dir_);
        CrontabTest::TearDown();
    }
    static bool WaitForCron() {
        for (int i = 0; i < 50 && !SchedulerRunning(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return SchedulerRunning();
    }
    std::string D() const { return dir_.string() + "/"; }

    fs::path dir_;
    bool startedCron_ = false;
};

TEST_F(CronRunTest, CronStartsTheTaskHeadlessAndClearSchedulesRemovesIt) {
    Options() = TOptionsData{false, false};
    // The minute after next unless there is plenty of this one left, so the entry
    // is in place before cron looks.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    const int ahead = local.tm_sec < 45 ? 1 : 2;
    const std::time_t at = now + ahead * 60;
    std::tm when{};
    localtime_r(&at, &when);

    TMainForm form(D());
    {
        auto t = std::make_unique<TTask>();
        t->TaskName = "Nightly archive";
        t->SourceDirs = {D() + "src/"};
        t->IncludeSubDirs = true;
        t->DestDir = D() + "out/";
        t->ZipFileName = "scheduled.zip";
        t->UseSchedule = true;
        t->PerformTask = 1;
        t->StartTime = EncodeDateTime(
            {when.tm_year + 1900, when.tm_mon + 1, when.tm_mday, when.tm_hour, when.tm_min, 0, 0});
        form.AllTasks().Add(std::move(t));
    }
    ASSERT_TRUE(form.AllTasks().SaveTasks());
    form.BuildTaskTree();
    form.UpdateActions();
    std::vector<std::string> boxes;
    const MessageBoxFn box = [&](const std::string& text, const std::string&, MsgButtons) {
        boxes.push_back(text);
        return MsgResult::Ok;
    };
    form.Services().ActivateSchedule = [&](int index) {
        ActivateSchedule(form.AllTasks(), index, D() + "korvel", box);
    };
    ASSERT_EQ(form.SelectedTaskIndex(), 0);
    form.ActSchedAction->trigger();
    ASSERT_EQ(boxes, std::vector<std::string>{"Task \"Nightly archive\" scheduled successfully."});
    ASSERT_EQ(form.AllTasks().Schedules.Count(), 1);
    ASSERT_TRUE(form.AllTasks().SaveHistory());

    const fs::path archive = dir_ / "out" / "scheduled.zip";
    TTasksList stored(D());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(ahead * 60 + 60);
    while (std::chrono::steady_clock::now() < deadline) {
        if (fs::exists(archive) && stored.LoadHistory() && stored.HistoryCount > 0)
            break;
        std::this_thread::sleep_for(std::chrono::seconds(2));
    }
    ASSERT_TRUE(fs::exists(archive)) << "cron did not start the job:\n"
                                     << Crontab() << "cron processes:\n"
                                     << korvel_test::ShellOutput("pgrep -a cron") << "the program directory:\n"
                                     << korvel_test::ShellOutput("ls -la '" + D() + "'");
    ASSERT_EQ(stored.HistoryCount, 1);
    EXPECT_EQ(stored.History[0].TaskId, 1);
    EXPECT_EQ(stored.Schedules.Count(), 1);
    EXPECT_EQ(Shell("unzip -tq '" + archive.string() + "' >/dev/null"), 0);

    ASSERT_TRUE(form.AllTasks().LoadHistory());
    TTasksHistoryForm history(form.AllTasks(), box);
    history.ShowHistory();
    EXPECT_EQ(history.ListView3->topLevelItemCount(), 1);
    EXPECT_EQ(history.ListView2->topLevelItemCount(), 1);
    history.ClearSchedulesClick();
    EXPECT_EQ(Crontab().find("# korvel job"), std::string::npos) << Crontab();
    EXPECT_EQ(form.AllTasks().Schedules.Count(), 0);
}

} // namespace
