// Pictures of the history window in both languages on a virtual X display, for a
// person to look at: build/tests/schedule/screenshots/history-{en,ru}.png.

#include <QGuiApplication>
#include <QImage>
#include <QScreen>
#include <QSet>
#include <QTest>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "app/language.h"
#include "crontab_fixture.h"
#include "schedule/schedulesdecl_u.h"
#include "schedule/ui/tasks_history_form.h"
#include "tests/virtual_display.h"

using namespace korvel;
namespace fs = std::filesystem;

namespace {

// Run by the test below in a process of its own on the virtual display.
class HistoryScreenshot : public korvel_test::CrontabTest {};

TEST_F(HistoryScreenshot, Take) {
    const char* target = std::getenv("KORVEL_SHOT");
    if (!target)
        GTEST_SKIP() << "only started by HistoryScreenshots.BothLanguages";
    SetCrontab("");
    TTasksList tasks(scratch_.string() + "/");
    const char* names[] = {"Documents", "Photos", "Mail archive"};
    for (const char* name : names) {
        auto t = std::make_unique<TTask>();
        t->TaskName = name;
        tasks.Add(std::move(t));
    }
    for (int i = 0; i < 5; ++i) {
        tasks.AddToHistory(i % 3);
        tasks.History[static_cast<std::size_t>(i)].RunTime =
            EncodeDateTime({2026, 12, 1 + i, 9 + i, 5 * i, 0, 0});
    }
    const TAtInfo jobs[] = {{52'200'000, 0, 0x7F, JOB_RUN_PERIODICALLY, "'/opt/korvel' /t 1"},
                            {32'700'000, 1'049'601, 0, JOB_RUN_PERIODICALLY, "'/opt/korvel' /t 2"},
                            {75'600'000, 0, 0x11, JOB_RUN_PERIODICALLY, "'/opt/korvel' /t 3"}};
    for (int i = 0; i < 3; ++i) {
        std::uint32_t id = 0;
        ASSERT_EQ(ScheduleJobAdd(jobs[i], id), TJobStatus::Ok);
        tasks.Schedules.AddSchedule(names[i], id);
    }
    ApplyLanguage(std::string(std::getenv("KORVEL_SHOT_LANG")) == "ru");
    TTasksHistoryForm form(tasks, {});
    form.ShowHistory();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QTest::qWait(500);
    const QRect frame = form.frameGeometry();
    const QPixmap shot =
        QGuiApplication::primaryScreen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    ASSERT_TRUE(shot.save(QString::fromLocal8Bit(target)));
}

int Distinct(const QImage& image) {
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    }
    return static_cast<int>(colours.size());
}

TEST(HistoryScreenshots, BothLanguages) {
    if (Shell("command -v Xvfb >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "Xvfb is not installed";
    const fs::path shots = KORVEL_SCREENSHOTS;
    fs::create_directories(shots);
    const VirtualDisplay xvfb;
    ASSERT_TRUE(xvfb.Started()) << "Xvfb did not start";

    const std::string self = fs::read_symlink("/proc/self/exe").string();
    QImage images[2];
    for (const bool russian : {false, true}) {
        const std::string lang = russian ? "ru" : "en";
        const fs::path file = shots / ("history-" + lang + ".png");
        fs::remove(file);
        EXPECT_EQ(Shell(xvfb.Env() + "KORVEL_SHOT='" +
                        file.string() + "' KORVEL_SHOT_LANG=" + lang + " '" + self +
                        "' --gtest_filter=HistoryScreenshot.Take >/dev/null 2>&1"),
                  0)
            << lang;
        ASSERT_TRUE(images[russian].load(QString::fromStdString(file.string()))) << file;
        EXPECT_GT(images[russian].width(), 300);
        EXPECT_GT(images[russian].height(), 200);
        // Text, lines and buttons, not an empty or single-coloured picture.
        EXPECT_GT(Distinct(images[russian]), 8) << file;
    }
    EXPECT_NE(images[0], images[1]) << "the two languages look the same";
}

} // namespace
