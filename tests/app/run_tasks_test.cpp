#include <QLabel>
#include <QPushButton>
#include <fstream>

#include "engine/ui/progress_show_label_form.h"
#include "gui_fixture.h"
#include "platform/date_time.h"

using namespace korvel;

class RunTasksTest : public MainFormTest {
protected:
    // An archive task over one real file; the archive step is played by the test.
    TTask& AddArchiveTask(const std::string& name) {
        const auto src = dir_ / "src";
        std::filesystem::create_directories(src);
        std::ofstream(src / "a.txt") << "data";
        TTask& t = AddNamed(name);
        t.SourceDirs = {src.string() + "/"};
        t.DestDir = (dir_ / "out").string() + "/";
        t.ZipFileName = name + ".zip";
        return t;
    }
};

TEST_F(RunTasksTest, StopDuringTheSecondTaskRecordsOnlyTheFirst) {
    for (const char* n : {"first", "second", "third"})
        AddArchiveTask(n);
    std::vector<std::string> ran;
    Form().Services().ArchiveStep = [&](TTask& t, const std::vector<std::string>& files, int, bool& abort,
                                        const ProgressFn& progress, const std::string& target, TRunReport&) {
        ran.push_back(t.TaskName);
        EXPECT_EQ(files.size(), 1u);
        EXPECT_EQ(target, t.DestDir + t.TaskName + ".zip");
        EXPECT_EQ(Form().ProgressForm()->SpecLabel()->text().toStdString(),
                  "Executing the task \"" + t.TaskName + "\"");
        if (t.TaskName == "second")
            Form().ProgressForm()->StopButton()->click();
        SleepMs(120);
        abort = progress(0.5);
        return !abort;
    };
    TIntArray all;
    for (int i = 0; i < 3; ++i)
        all.Add(i);
    Form().RunTasks(all);

    EXPECT_EQ(ran, (std::vector<std::string>{"first", "second"}));
    ASSERT_EQ(Form().AllTasks().HistoryCount, 1);
    EXPECT_EQ(Form().AllTasks().History[0].TaskName, "first");
    EXPECT_EQ(boxes, (std::vector<std::string>{"Backup operation aborted."}));
    EXPECT_FALSE(Form().ProgressForm()->isVisible());
    EXPECT_EQ(Form().ProgressForm()->windowTitle(), "Progress") << "captions restored on close";
}

TEST_F(RunTasksTest, AnErrorEndsTheLoopWithItsMessage) {
    AddArchiveTask("good");
    AddNamed("no sources");
    AddArchiveTask("never");
    int steps = 0;
    Form().Services().ArchiveStep = [&](TTask&, const std::vector<std::string>&, int, bool&,
                                        const ProgressFn&, const std::string&, TRunReport&) {
        ++steps;
        return true;
    };
    TIntArray all;
    for (int i = 0; i < 3; ++i)
        all.Add(i);
    Form().RunTasks(all);
    EXPECT_EQ(steps, 1);
    EXPECT_EQ(Form().AllTasks().HistoryCount, 1);
    EXPECT_EQ(boxes, (std::vector<std::string>{"You must specify source directories for this task"}));
    EXPECT_FALSE(Form().ProgressForm()->isVisible());
}

TEST_F(RunTasksTest, TaskRunStartRunsTheTasksAndCloses) {
    AddArchiveTask("scheduled");
    Form().AllTasks().Modified = false;
    int steps = 0;
    Form().Services().ArchiveStep = [&](TTask&, const std::vector<std::string>&, int, bool&,
                                        const ProgressFn&, const std::string&, TRunReport&) {
        ++steps;
        return true;
    };
    Form().StartUp({"/T", "1", "42", "1"});
    EXPECT_EQ(steps, 2);
    EXPECT_TRUE(Form().WasClosed());
    EXPECT_TRUE(std::filesystem::exists(dir_ / "history.bin"));
    EXPECT_TRUE(boxes.empty());
}
