#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

#include "engine/ui/progress_show_label_form.h"
#include "platform/date_time.h"

using namespace korvel;

namespace {

QString Percent(const char* number) {
    return QString::fromLatin1(number).replace(QLatin1Char('.'), QLocale::system().decimalPoint()) +
           QLatin1Char('%');
}

} // namespace

TEST(ProgressFormTest, SecondOfThreeTasksHalfDoneShowsFiftyPercent) {
    TProgressShowLabelForm form;
    form.StartTaskList({"a", "b", "c"});
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(form.PercentText(), Percent("0.0"));
    form.NextStep();
    SleepMs(110);
    EXPECT_FALSE(form.ShowProgress(0.5));
    EXPECT_EQ(form.PercentText(), Percent("50.0"));
    EXPECT_EQ(form.BarPosition(), 50);
    form.close();
}

TEST(ProgressFormTest, UpdatesAreThrottledAndTheBarRoundsHalfToEven) {
    TProgressShowForm form;
    form.StartProgress(8);
    EXPECT_FALSE(form.ShowProgress(1.0)); // within 100 ms of the start: nothing changes
    EXPECT_EQ(form.PercentText(), Percent("0.0"));
    form.NextStep(); // 12.5 %: the bar rounds 12.5 down to the even 12
    SleepMs(110);
    form.ShowProgress(0);
    EXPECT_EQ(form.PercentText(), Percent("12.5"));
    EXPECT_EQ(form.BarPosition(), 12);
    form.NextStep();
    form.NextStep(); // 37.5 %: up to the even 38
    SleepMs(110);
    form.ShowProgress(0);
    EXPECT_EQ(form.BarPosition(), 38);
    form.close();
}

TEST(ProgressFormTest, StopIsReportedByTheNextUnthrottledUpdate) {
    TProgressShowForm form;
    form.StartProgress(1);
    QTest::mouseClick(form.StopButton(), Qt::LeftButton);
    EXPECT_TRUE(form.Stopped());
    EXPECT_FALSE(form.ShowProgress(0.1)) << "throttled calls report nothing";
    SleepMs(110);
    EXPECT_TRUE(form.ShowProgress(0.2));
    form.StartProgress(1);
    EXPECT_FALSE(form.Stopped());
    form.close();
}

TEST(ProgressFormTest, ClosingStopsAndRestoresTheCaptions) {
    TProgressShowLabelForm form;
    const QString caption = form.windowTitle();
    const QString button = form.StopButton()->text();
    form.SetCaptions("Korvel", "Cancel");
    form.StartTaskList({"x"});
    EXPECT_EQ(form.windowTitle(), "Korvel");
    form.SpecLabel()->setText("running");
    form.close();
    EXPECT_TRUE(form.Stopped());
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(form.windowTitle(), caption);
    EXPECT_EQ(form.StopButton()->text(), button);
    EXPECT_TRUE(form.SpecLabel()->text().isEmpty());
}

TEST(ProgressFormTest, StartingWithNoTasksLeavesTheWindowAlone) {
    TProgressShowForm form;
    form.StartProgress(0);
    EXPECT_FALSE(form.isVisible());
}
