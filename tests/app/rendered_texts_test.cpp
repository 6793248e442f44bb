// What a person checks on a picture of a window: its texts are there, in the window's
// language, shown whole and actually drawn. The pictures are the windows' own renderings;
// they are saved beside the program's screenshots for a person to look at.

#include <QAbstractButton>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTreeWidget>
#include <fstream>
#include <map>

#include "app/language.h"
#include "engine/ui/progress_show_label_form.h"
#include "gui_fixture.h"

using namespace korvel;

namespace {

// Pixels of `rect` whose colour differs from the colour most of `rect` has: the ink of a text
// on its background. A blank window has none.
int InkPixels(const QImage& picture, const QRect& rect) {
    std::map<QRgb, int> counts;
    const QRect r = rect.intersected(picture.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            ++counts[picture.pixel(x, y)];
    int most = 0, all = 0;
    for (const auto& [colour, n] : counts) {
        most = std::max(most, n);
        all += n;
    }
    return all - most;
}

// The text occupies `rect` of the picture (window coordinates), which is `available` pixels
// wide for it: it must fit whole and leave ink there.
::testing::AssertionResult Drawn(const QImage& picture, const QString& text, const QFont& font,
                                 const QRect& rect, int available) {
    const int needed = QFontMetrics(font).horizontalAdvance(text);
    if (needed > available)
        return ::testing::AssertionFailure()
               << '"' << text.toStdString() << "\" is cut off: " << needed << " px in " << available;
    const int ink = InkPixels(picture, rect);
    if (ink < text.size())
        return ::testing::AssertionFailure()
               << '"' << text.toStdString() << "\" is not drawn (" << ink << " px)";
    return ::testing::AssertionSuccess();
}

QRect InWindow(const QWidget* window, const QWidget* w, const QRect& r) {
    return QRect(w->mapTo(window, r.topLeft()), r.size());
}

// A label or button of `window` showing `text`, checked in `picture` (the window's rendering).
::testing::AssertionResult Shown(const QImage& picture, QWidget* window, const QString& text) {
    for (QLabel* l : window->findChildren<QLabel*>())
        if (l->isVisibleTo(window) && l->text() == text)
            return Drawn(picture, text, l->font(), InWindow(window, l, l->rect()), l->contentsRect().width());
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        if (b->isVisibleTo(window) && QString(b->text()).remove(QLatin1Char('&')) == text) {
            if (b->width() < b->sizeHint().width())
                return ::testing::AssertionFailure() << '"' << text.toStdString() << "\" is cut off";
            return Drawn(picture, text, b->font(), InWindow(window, b, b->rect()), b->width());
        }
    return ::testing::AssertionFailure()
           << "no visible label or button shows \"" << text.toStdString() << '"';
}

::testing::AssertionResult ShownItem(const QImage& picture, QWidget* window, QAbstractItemView* view,
                                     const QModelIndex& index) {
    const QString text = index.data().toString();
    const QRect r = view->visualRect(index);
    return Drawn(picture, text, view->font(), InWindow(window, view->viewport(), r), r.width());
}

QImage Picture(QWidget* window, const std::string& name) {
    QTest::qWait(50); // lets pending layouts and paints happen
    const QImage picture = window->grab().toImage();
    const QString dir = QStringLiteral(KORVEL_TEST_TMP "/../screenshots");
    QDir().mkpath(dir);
    picture.save(dir + "/rendered-" + QString::fromStdString(name) + ".png");
    return picture;
}

struct LanguageTexts {
    bool russian;
    QStringList main;  // on the main window
    QString executing; // the progress window's task line
    QString writing;   // its destination line, before the directory
    QString stop;      // its stop button
};

const LanguageTexts kLanguages[] = {
    {false,
     {"Please look at the program developer's website:", "Available tasks:", "Language:", "File", "Task",
      "Help", "Add"},
     "Executing the task \"Nightly archive\"",
     "Writing to ",
     "Cancel"},
    {true,
     {"Пожалуйста загляните на сайт автора программы:", "Имеющиеся задачи:", "Language:", "Файл", "Задача",
      "Помощь", "Добавить"},
     "Выполняется задача \"Nightly archive\"",
     "Запись в ",
     "Отмена"},
};

} // namespace

TEST_F(MainFormTest, APictureOfABlankWindowFailsTheChecks) {
    AddNamed("Documents");
    Form().StartUp({});
    Form().show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form()));
    QImage blank(Form().size(), QImage::Format_RGB32);
    blank.fill(Form().palette().window().color());
    EXPECT_FALSE(Shown(blank, &Form(), "Available tasks:"));
    EXPECT_FALSE(ShownItem(blank, &Form(), Form().TasksTree(), Form().TasksTree()->model()->index(0, 0)));
    EXPECT_FALSE(Shown(Form().grab().toImage(), &Form(), "Not a text of this window"));
}

TEST_F(MainFormTest, MainWindowPictureShowsItsTexts) {
    for (const LanguageTexts& lang : kLanguages) {
        SCOPED_TRACE(lang.russian ? "Russian" : "English");
        for (const char* name : {"Documents", "Photos", "Nightly archive"})
            AddNamed(name);
        Options().Language = lang.russian;
        Form().StartUp({});
        Form().show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&Form()));
        const QImage picture = Picture(&Form(), lang.russian ? "main-ru" : "main-en");
        for (const QString& text : lang.main)
            EXPECT_TRUE(Shown(picture, &Form(), text));
        QTreeWidget* tree = Form().TasksTree();
        ASSERT_EQ(tree->topLevelItemCount(), 3);
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(ShownItem(picture, &Form(), tree, tree->model()->index(i, 0)));
        form_.reset();
    }
    ApplyLanguage(false);
}

TEST_F(MainFormTest, ProgressWindowPictureShowsTheRun) {
    for (const LanguageTexts& lang : kLanguages) {
        SCOPED_TRACE(lang.russian ? "Russian" : "English");
        const auto src = dir_ / "src";
        std::filesystem::create_directories(src);
        std::ofstream(src / "a.txt") << "data";
        for (const char* name : {"Documents", "Nightly archive"}) {
            TTask& t = AddNamed(name);
            t.SourceDirs = {src.string() + "/"};
            t.DestDir = (dir_ / "out").string() + "/";
        }
        Options().Language = lang.russian;
        Form().StartUp({});
        TProgressShowLabelForm* progress = Form().ProgressForm();
        bool looked = false;
        // The picture is taken in the middle of the second task, as the run shows it.
        Form().Services().ArchiveStep = [&](TTask& t, const std::vector<std::string>&, int, bool&,
                                            const ProgressFn& report, const std::string&, TRunReport&) {
            if (t.TaskName != "Nightly archive")
                return true;
            looked = true;
            QTest::qWait(120); // past the window's repaint interval
            report(0.5);
            EXPECT_TRUE(QTest::qWaitForWindowExposed(progress));
            const QImage picture = Picture(progress, lang.russian ? "progress-ru" : "progress-en");
            EXPECT_EQ(picture.size(), progress->size());
            for (const QString& text : {lang.executing, lang.writing + QString::fromStdString(t.DestDir),
                                        lang.stop, TProgressShowForm::FormatPercent(75)})
                EXPECT_TRUE(Shown(picture, progress, text));
            QListWidget* list = progress->TasksList();
            EXPECT_EQ(list->count(), 2);
            for (int i = 0; i < list->count(); ++i)
                EXPECT_TRUE(ShownItem(picture, progress, list, list->model()->index(i, 0)));
            return true;
        };
        TIntArray both;
        both.Add(0);
        both.Add(1);
        Form().RunTasks(both);
        EXPECT_TRUE(looked);
        form_.reset();
    }
    ApplyLanguage(false);
}
