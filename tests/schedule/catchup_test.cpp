// Runs missed while the machine was off: "korvel /catchup" against the real crontab
// and history.bin, the desktop notification of a failed scheduled run on a session
// bus of the test's own, and the main window's question and stale marks.

#include <QApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QVariantMap>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>

#include "app/language.h"
#include "app/main_form.h"
#include "crontab_fixture.h"
#include "platform/executable.h"
#include "platform/qt/message_box.h"
#include "schedule/schedulesdecl_u.h"
#include "tasks/options.h"
#include "tests/virtual_display.h"

using namespace korvel;
namespace fs = std::filesystem;

namespace {

// Stands in for the desktop's notification service and records what it is told.
class NotificationListener : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList Summaries, Bodies;

public slots:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString& body,
                const QStringList&, const QVariantMap&, int) {
        Summaries << summary;
        Bodies << body;
        return static_cast<uint>(Summaries.size());
    }
};

class CatchUpTest : public korvel_test::CrontabTest {
protected:
    void SetUp() override {
        CrontabTest::SetUp();
        if (IsSkipped())
            return;
        Options() = TOptionsData{false, false};
        dir_ = fs::path(KORVEL_TEST_TMP) / ("catchup " + std::to_string(std::random_device{}()));
        fs::create_directories(dir_ / "src");
        fs::copy_file(KORVEL_BINARY, dir_ / "korvel");
        std::ofstream(dir_ / "src" / "a.txt") << "alpha";
    }
    void TearDown() override {
        SetMessageBoxHandler({});
        if (!dir_.empty())
            fs::remove_all(dir_);
        CrontabTest::TearDown();
    }
    std::string D() const { return dir_.string() + "/"; }

    // A daily task due an hour ago, activated `daysAgo` days ago (the crontab's record
    // of it is moved back, as if the machine had been off since), never run.
    void StoreScheduledTask(const std::string& name, bool withSources, int daysAgo = 2) {
        TTasksList tasks(D());
        auto t = std::make_unique<TTask>();
        t->TaskName = name;
        if (withSources)
            t->SourceDirs = {D() + "src/"};
        t->DestDir = D() + "out/";
        t->ZipFileName = "caught.zip";
        t->UseSchedule = true;
        t->PerformTask = 1;
        const std::time_t due = std::time(nullptr) - 3600;
        std::tm local{};
        localtime_r(&due, &local);
        t->StartTime = EncodeDateTime({2026, 1, 1, local.tm_hour, local.tm_min, 0, 0});
        TTask& task = tasks.Add(std::move(t));
        const TScheduleResult r = ScheduleTask(task, D() + "korvel");
        ASSERT_TRUE(r.Success());
        tasks.Schedules.AddSchedule(name, r.JobId);
        ASSERT_TRUE(tasks.SaveTasks());
        ASSERT_TRUE(tasks.SaveHistory());

        const std::string tab = Crontab();
        std::smatch m;
        ASSERT_TRUE(std::regex_search(tab, m, std::regex("KORVEL_ACTIVATED=(\\d+)"))) << tab;
        const long long earlier = std::stoll(m[1]) - daysAgo * 24LL * 3600;
        SetCrontab(std::regex_replace(tab, std::regex("KORVEL_ACTIVATED=\\d+"),
                                      "KORVEL_ACTIVATED=" + std::to_string(earlier)));
    }

    int HistoryCount() {
        TTasksList stored(D());
        stored.LoadHistory();
        return stored.HistoryCount;
    }

    // Runs "korvel /catchup" with no desktop, the session bus at `busAddress`; the
    // events of this program go on meanwhile, so a listener here can answer.
    int RunCatchUp(const QString& busAddress, QString* errors = nullptr) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"})
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromStdString(D()));
        if (!busAddress.isEmpty())
            env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), busAddress);
        p.setProcessEnvironment(env);
        p.start(QString::fromStdString(D() + "korvel"), {QStringLiteral("/catchup")});
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (!p.waitForFinished(20)) {
            QCoreApplication::processEvents();
            if (std::chrono::steady_clock::now() > deadline) {
                p.kill();
                p.waitForFinished();
                return -2; // hung
            }
        }
        QCoreApplication::processEvents();
        if (errors)
            *errors = QString::fromLocal8Bit(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    }

    fs::path dir_;
};

TEST_F(CatchUpTest, AMissedRunRunsOnceAndIsRecorded) {
    ASSERT_NO_FATAL_FAILURE(StoreScheduledTask("Missed archive", true));
    EXPECT_NE(Crontab().find("@reboot "), std::string::npos) << Crontab();
    EXPECT_NE(Crontab().find("korvel' /catchup # korvel catch-up"), std::string::npos) << Crontab();

    QString errors;
    ASSERT_EQ(RunCatchUp({}, &errors), 0) << errors.toStdString();
    EXPECT_TRUE(fs::exists(dir_ / "out" / "caught.zip"));
    EXPECT_EQ(Shell("unzip -tq '" + (dir_ / "out" / "caught.zip").string() + "' >/dev/null"), 0);
    EXPECT_EQ(HistoryCount(), 1);

    fs::remove(dir_ / "out" / "caught.zip");
    ASSERT_EQ(RunCatchUp({}), 0);
    EXPECT_FALSE(fs::exists(dir_ / "out" / "caught.zip")) << "the run was caught up twice";
    EXPECT_EQ(HistoryCount(), 1);

    TTasksList stored(D());
    stored.LoadHistory();
    DeleteJobs(stored.Schedules);
    EXPECT_EQ(Crontab().find("korvel"), std::string::npos) << Crontab();
}

TEST_F(CatchUpTest, AFailedScheduledRunIsNotifiedOnTheSessionBus) {
    if (!Have("dbus-daemon"))
        GTEST_SKIP() << "dbus-daemon is not installed (scripts/install-deps.sh installs it)";
    ASSERT_NO_FATAL_FAILURE(StoreScheduledTask("Broken backup", false));
    const std::string started =
        korvel_test::ShellOutput("dbus-daemon --session --fork --print-address=1 --print-pid=1");
    std::istringstream lines(started);
    std::string address, pid;
    std::getline(lines, address);
    std::getline(lines, pid);
    ASSERT_FALSE(address.empty()) << started;
    struct EndBus {
        std::string pid;
        ~EndBus() { Shell("kill " + pid + " 2>/dev/null"); }
    } endBus{pid};

    QDBusConnection bus =
        QDBusConnection::connectToBus(QString::fromStdString(address), QStringLiteral("test"));
    ASSERT_TRUE(bus.isConnected());
    NotificationListener listener;
    ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &listener,
                                   QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(bus.registerService(QStringLiteral("org.freedesktop.Notifications")));

    QString errors;
    EXPECT_EQ(RunCatchUp(QString::fromStdString(address), &errors), 1);
    QDBusConnection::disconnectFromBus(QStringLiteral("test"));
    ASSERT_EQ(listener.Summaries.size(), 1) << errors.toStdString();
    EXPECT_TRUE(listener.Summaries[0].contains(QStringLiteral("\"Broken backup\"")))
        << listener.Summaries[0].toStdString();
    EXPECT_EQ(listener.Bodies[0], QStringLiteral("You must specify source directories for this task"));
    EXPECT_TRUE(errors.contains(QStringLiteral("You must specify source directories for this task")))
        << errors.toStdString();
}

TEST_F(CatchUpTest, WithoutABusAFailedRunStillEndsAndSaysSo) {
    ASSERT_NO_FATAL_FAILURE(StoreScheduledTask("Broken backup", false));
    for (const QString& address : {QString(), QStringLiteral("unix:path=/nonexistent/korvel-bus")}) {
        SCOPED_TRACE(address.toStdString());
        QString errors;
        EXPECT_EQ(RunCatchUp(address, &errors), 1);
        EXPECT_TRUE(errors.contains(QStringLiteral("\"Broken backup\""))) << errors.toStdString();
    }
}

TEST_F(CatchUpTest, TheMainWindowAsksAboutAMissedRunAndMarksTheStaleTask) {
    ASSERT_NO_FATAL_FAILURE(StoreScheduledTask("Stale task", true, 3));
    std::vector<std::string> asked;
    MsgResult answer = MsgResult::No;
    SetMessageBoxHandler([&](const std::string& text, const std::string&, MsgButtons buttons) {
        asked.push_back(text);
        EXPECT_EQ(buttons, MsgButtons::YesNo);
        return answer;
    });
    const std::regex question(
        R"(Task "Stale task" missed its scheduled run of \d\d/\d\d/\d{4} \d\d:\d\d\. Run it now\?)");
    {
        TMainForm form(D());
        form.StartUp({});
        QTreeWidgetItem* line = form.TasksTree()->topLevelItem(0);
        ASSERT_NE(line, nullptr);
        EXPECT_FALSE(line->icon(0).isNull());
        EXPECT_TRUE(
            line->toolTip(0).startsWith(QStringLiteral("This scheduled task has had no recorded run since ")))
            << line->toolTip(0).toStdString();
        QApplication::processEvents();
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_TRUE(std::regex_match(asked[0], question)) << asked[0];
        EXPECT_EQ(form.AllTasks().HistoryCount, 0);
    }
    {
        TMainForm form(D());
        form.StartUp({});
        QApplication::processEvents();
        EXPECT_EQ(asked.size(), 1u) << "the skipped run was asked about again";
    }
    fs::remove(dir_ / "skipped-runs.txt");
    answer = MsgResult::Yes;
    {
        TMainForm form(D());
        form.StartUp({});
        QApplication::processEvents();
        ASSERT_EQ(asked.size(), 2u);
        EXPECT_EQ(form.AllTasks().HistoryCount, 1);
        EXPECT_TRUE(form.TasksTree()->topLevelItem(0)->icon(0).isNull()) << "a task that ran is not stale";
    }
}

// ---- pictures: the question and the stale mark in both languages ----

const fs::path kShots = fs::path(KORVEL_TEST_TMP) / ".." / "screenshots";

void Shoot(const std::string& name) {
    QTest::qWait(400);
    Shell("import -window root '" + (kShots / (name + ".png")).string() + "'");
}

// Runs only inside the outer test's virtual display, on the stores it prepared.
TEST(CatchUpScenes, Shoot) {
    const QString dir = qEnvironmentVariable("KORVEL_SCENE_DIR");
    if (dir.isEmpty())
        GTEST_SKIP() << "started by CatchUpTest.Screenshots";
    for (const bool russian : {false, true}) {
        const std::string lang = russian ? "-ru" : "-en";
        fs::remove(dir.toStdString() + "skipped-runs.txt");
        Options().Language = russian;
        TMainForm form(dir.toStdString());
        form.StartUp({});
        form.show();
        QTimer::singleShot(800, [&] {
            Shoot("missed-question" + lang);
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
                    box->button(QMessageBox::No)->click();
            }
        });
        QTest::qWait(1500);
        form.TasksTree()->clearSelection();
        Shoot("stale-task" + lang);
        form.AllTasks().Modified = false;
        form.close();
    }
    ApplyLanguage(false);
}

TEST_F(CatchUpTest, Screenshots) {
    if (!Have("Xvfb") || !Have("import"))
        GTEST_SKIP() << "Xvfb or ImageMagick's import is not installed";
    ASSERT_NO_FATAL_FAILURE(StoreScheduledTask("Nightly archive", true, 3));
    fs::create_directories(kShots);
    const std::string names[] = {"missed-question-en", "missed-question-ru", "stale-task-en",
                                 "stale-task-ru"};
    for (const std::string& n : names)
        fs::remove(kShots / (n + ".png"));
    const VirtualDisplay xvfb;
    ASSERT_TRUE(xvfb.Started()) << "Xvfb did not start";
    ASSERT_EQ(Shell(xvfb.Env() + "KORVEL_SCENE_DIR='" + D() + "' timeout 120 '" + ExecutablePath() +
                    "' --gtest_filter=CatchUpScenes.Shoot >/dev/null 2>&1"),
              0);
    for (const std::string& n : names)
        EXPECT_FALSE(QImage(QString::fromStdString((kShots / (n + ".png")).string())).isNull()) << n;
}

} // namespace

#include "catchup_test.moc"
