// The editor's five pages in both languages on a real X server, saved for a person to
// look at (build/tests/editor/screenshots/), with no caption cut off or outside its page.

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QStyle>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <unistd.h>

#include "editor/file_filters_form.h"
#include "editor_fixture.h"
#include "tests/shell_commands.h"
#include "tests/virtual_display.h"

using namespace korvel;
namespace fs = std::filesystem;

namespace {

const char* const kPageNames[] = {"name", "source", "destination", "compression", "schedule"};
const char* const kFilterViews[] = {"filters-extensions", "filters-names"};

// Every caption on the page is shown whole, inside the page.
void ExpectCaptionsFit(QWidget* page, const std::string& where) {
    const QRect bounds = page->rect();
    for (QWidget* w : page->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(page))
            continue;
        const std::string name = where + " " + w->objectName().toStdString();
        const QRect box(w->mapTo(page, QPoint(0, 0)), w->size());
        EXPECT_TRUE(bounds.contains(box)) << name << " lies outside its page";
        if (auto* label = qobject_cast<QLabel*>(w)) {
            if (label->text().isEmpty())
                continue;
            if (label->wordWrap())
                EXPECT_GE(label->height(), label->heightForWidth(label->width())) << name << " is cut off";
            else
                EXPECT_GE(label->width(),
                          label->fontMetrics().horizontalAdvance(label->text()) + label->indent())
                    << name << " is cut off";
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            EXPECT_GE(button->width(), button->sizeHint().width()) << name << " is cut off";
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            EXPECT_GE(group->width(), group->fontMetrics().horizontalAdvance(group->title())) << name;
        }
    }
}

} // namespace

// Runs inside the X server started by the test below.
TEST_F(EditorTest, ScreenshotPages) {
    const QByteArray shots = qgetenv("KORVEL_EDITOR_SHOTS");
    if (shots.isEmpty())
        GTEST_SKIP() << "started by EditorScreenshots.UnderXvfb";
    TTask task;
    task.TaskName = "Documents";
    task.SourceDirs = {"/home/ann/Documents/", "/home/ann/Pictures/"};
    task.IncludeSubDirs = true;
    task.UseIndFilters = true;
    task.Filters[0] = {"*.odt;*.pdf", "~*"};
    task.Filters[1] = {"*.jpg", ""};
    task.ExcludeSomeSubDirs = true;
    task.ExcludeSubDirs = {"/home/ann/Documents/old/"};
    task.DestDir = "/mnt/backup/";
    task.UseSchedule = true;
    task.PerformTask = 2;
    task.ScheduleWeekDays[0] = task.ScheduleWeekDays[4] = true;
    for (const bool russian : {false, true}) {
        ApplyLanguage(russian);
        form->Open(task, false);
        form->show();
        for (int page = 0; page < TTaskEdForm::PageCount; ++page) {
            form->GoToPage(page);
            QApplication::processEvents();
            const std::string where = std::string(kPageNames[page]) + (russian ? "-ru" : "-en");
            ExpectCaptionsFit(form->PageControl->currentWidget(), where);
            const QString file =
                QString::fromUtf8(shots) + "/editor-" + QString::fromStdString(where) + ".png";
            EXPECT_TRUE(form->grab().save(file)) << file.toStdString();
        }
        form->hide();

        // The filter browser in both views, its lines whole within the list.
        auto* browser = form->findChild<TFileFiltersForm*>();
        ASSERT_NE(browser, nullptr);
        const std::vector<std::string> files = {
            "/home/ann/Documents/report.odt", "/home/ann/Documents/Отчёт.odt",
            "/home/ann/Documents/notes.txt",  "/home/ann/Documents/README",
            "/home/ann/Documents/scan.pdf",   "/home/ann/Documents/budget.ods"};
        ASSERT_TRUE(browser->Open("*.odt;*.pdf", files));
        browser->show();
        for (const char* view : kFilterViews) {
            if (std::string(view) == "filters-names")
                browser->ShowNamesRadio->click();
            QApplication::processEvents();
            const std::string where = std::string(view) + (russian ? "-ru" : "-en");
            ExpectCaptionsFit(browser, where);
            QListWidget* list = browser->GroupsCheckList;
            EXPECT_EQ(list->count(), std::string(view) == "filters-names" ? 6 : 5) << where;
            for (int i = 0; i < list->count(); ++i) {
                const QRect line = list->visualItemRect(list->item(i));
                EXPECT_TRUE(list->viewport()->rect().contains(line)) << where << " line " << i;
                EXPECT_GE(line.width(), list->fontMetrics().horizontalAdvance(list->item(i)->text()) +
                                            list->style()->pixelMetric(QStyle::PM_IndicatorWidth))
                    << where << " line " << i << " is cut off";
            }
            const QString file = QString::fromUtf8(shots) + "/" + QString::fromStdString(where) + ".png";
            EXPECT_TRUE(browser->grab().save(file)) << file.toStdString();
        }
        browser->hide();
        browser->Release();
    }
}

TEST(EditorScreenshots, UnderXvfb) {
    if (!Have("Xvfb") || !Have("identify"))
        GTEST_SKIP() << "Xvfb or ImageMagick is not installed";
    const fs::path shots = fs::path(KORVEL_SCREENSHOTS);
    fs::create_directories(shots);
    int rc = -1;
    {
        const VirtualDisplay xvfb;
        ASSERT_TRUE(xvfb.Started()) << "Xvfb did not start";
        rc = Shell(xvfb.Env() + "KORVEL_EDITOR_SHOTS=" + shots.string() + " /proc/" + std::to_string(::getpid()) +
                   "/exe --gtest_filter=EditorTest.ScreenshotPages >" + (shots / "pages.log").string() + " 2>&1");
    }
    EXPECT_EQ(rc, 0) << "see " << (shots / "pages.log").string();
    for (const char* lang : {"en", "ru"}) {
        for (const char* view : kFilterViews) {
            const fs::path file = shots / (std::string(view) + "-" + lang + ".png");
            ASSERT_TRUE(fs::exists(file)) << file;
            EXPECT_EQ(Shell("test \"$(identify -format '%[fx:standard_deviation>0.05]' " + file.string() +
                            ")\" = 1"),
                      0)
                << file;
        }
        for (const char* page : kPageNames) {
            const fs::path file = shots / (std::string("editor-") + page + "-" + lang + ".png");
            ASSERT_TRUE(fs::exists(file)) << file;
            // A picture of a window, not a blank rectangle.
            EXPECT_EQ(Shell("test \"$(identify -format '%[fx:standard_deviation>0.05]' " + file.string() +
                            ")\" = 1"),
                      0)
                << file;
        }
    }
}
