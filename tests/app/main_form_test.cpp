#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include "gui_fixture.h"

using namespace korvel;

TEST_F(MainFormTest, TreeShowsChildrenUnderParentsThatComeFirst) {
    TTask& a = AddNamed("A");
    TTask& b = AddNamed("B");
    TTask& c = AddNamed("C");
    TTask& d = AddNamed("D");
    b.Parent = &a; // after its parent: shown beneath it
    a.Parent = nullptr;
    c.Parent = &d; // before its parent: shown at top level
    Form().BuildTaskTree();
    EXPECT_EQ(TreeTexts(), (std::vector<std::string>{"A", "  B", "C", "D"}));
    EXPECT_EQ(Form().SelectedTaskIndex(), 0);
}

TEST_F(MainFormTest, ProposedNameFollowsTheLargestNumber) {
    EXPECT_EQ(Form().ProposeTaskName(), "Task 1");
    AddNamed("Task 1");
    AddNamed("task 7");
    AddNamed("Task x");
    AddNamed("Task -3");
    EXPECT_EQ(Form().ProposeTaskName(), "Task 8");
}

TEST_F(MainFormTest, SelectionAfterDeleteAndMoves) {
    for (const char* n : {"one", "two", "three"})
        AddNamed(n);
    Form().BuildTaskTree();
    Form().UpdateActions();
    Form().SelectTreePosition(1);
    Form().DeleteTask();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "Delete the task \"two\"?");
    EXPECT_EQ(TreeTexts(), (std::vector<std::string>{"one", "three"}));
    EXPECT_EQ(Form().SelectedTaskIndex(), 1) << "the task that followed is selected";

    Form().MoveTaskUp();
    EXPECT_EQ(TreeTexts(), (std::vector<std::string>{"three", "one"}));
    EXPECT_EQ(Form().SelectedTaskIndex(), 0);
    Form().MoveTaskUp(); // first task: nothing happens
    EXPECT_EQ(TreeTexts(), (std::vector<std::string>{"three", "one"}));
    Form().MoveTaskDown();
    Form().MoveTaskDown(); // last task: nothing happens
    EXPECT_EQ(TreeTexts(), (std::vector<std::string>{"one", "three"}));
    EXPECT_EQ(Form().SelectedTaskIndex(), 1);

    answer = MsgResult::Cancel;
    Form().DeleteTask();
    EXPECT_EQ(Form().AllTasks().Count(), 2);
    answer = MsgResult::Ok;
    Form().DeleteTask();
    Form().SelectTreePosition(0);
    Form().DeleteTask();
    EXPECT_EQ(Form().SelectedTaskIndex(), -1);
    EXPECT_FALSE(Form().RunAction->isEnabled());
    EXPECT_FALSE(Form().CreateIconAction->isEnabled());
    EXPECT_FALSE(Form().MoveTaskUpButton->isEnabled());
    EXPECT_TRUE(Form().AddAction->isEnabled());
}

TEST_F(MainFormTest, CancelledEditorLeavesTheListUnchanged) {
    AddNamed("base");
    Form().BuildTaskTree();
    Form().AllTasks().Modified = false;
    std::vector<std::string> offered;
    Form().Services().EditTask = [&](TTask& t, bool isNew) {
        offered.push_back(t.TaskName + (isNew ? " (new)" : ""));
        return false;
    };
    Form().AddTask();
    Form().CloneTask();
    EXPECT_EQ(offered, (std::vector<std::string>{"Task 1 (new)", "Copy of base (new)"}));
    EXPECT_EQ(Form().AllTasks().Count(), 1);
    EXPECT_EQ(Form().AllTasks().LastTaskId, 1);
    EXPECT_FALSE(Form().AllTasks().Modified);

    Form().Services().EditTask = [](TTask&, bool) { return true; };
    Form().CloneTask();
    EXPECT_EQ(TreeTexts(), (std::vector<std::string>{"base", "Copy of base"}));
    EXPECT_EQ(Form().SelectedTaskIndex(), 1);
    EXPECT_EQ(Form().AllTasks().Item(1).TaskId, 2);
}

TEST_F(MainFormTest, CloseQuestionSavesDiscardsOrStays) {
    struct Case {
        MsgResult answer;
        bool closed;
        bool saved;
    };
    for (const Case c : {Case{MsgResult::Cancel, false, false}, Case{MsgResult::No, true, false},
                         Case{MsgResult::Yes, true, true}}) {
        form_.reset();
        std::filesystem::remove(dir_ / "tasks.bin");
        std::filesystem::remove(dir_ / "history.bin");
        boxes.clear();
        AddNamed("job");
        Form().AllTasks().AddToHistory(0);
        answer = c.answer;
        Form().show();
        Form().close();
        EXPECT_EQ(Form().WasClosed(), c.closed);
        EXPECT_EQ(std::filesystem::exists(dir_ / "tasks.bin"), c.saved);
        EXPECT_TRUE(std::filesystem::exists(dir_ / "history.bin")) << "history is written without asking";
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], "The tasks list has been changed. Save the changes?");
    }
}

TEST_F(MainFormTest, MaintenancePanelTogglesWithCtrlShiftV) {
    Form().show();
    EXPECT_FALSE(Form().MaintenancePanel()->isVisible());
    QTest::keyClick(&Form(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(Form().MaintenancePanel()->isVisible());
    QTest::keyClick(&Form(), Qt::Key_V, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_FALSE(Form().MaintenancePanel()->isVisible());
    Form().AllTasks().Modified = false;
}
