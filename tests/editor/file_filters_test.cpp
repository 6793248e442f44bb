// The file filter browser driven through its window: the lines and ticks of both
// views, the filter text it returns, the name view's file limit, malformed masks,
// and the whole road from the editor's browse button to the files a backup selects.

#include <QFontDatabase>
#include <QListWidget>
#include <QRadioButton>
#include <QTimer>
#include <filesystem>
#include <fstream>
#include <random>

#include "editor/file_filters_form.h"
#include "editor_fixture.h"
#include "engine/file_selection.h"
#include "engine/mask.h"

using namespace korvel;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> Lines(const TFileFiltersForm& form) {
    std::vector<std::string> lines;
    for (int i = 0; i < form.GroupsCheckList->count(); ++i) {
        const QListWidgetItem* item = form.GroupsCheckList->item(i);
        lines.push_back((item->checkState() == Qt::Checked ? "[x] " : "[ ] ") + item->text().toStdString());
    }
    return lines;
}

void Toggle(TFileFiltersForm& form, int row) {
    QListWidgetItem* item = form.GroupsCheckList->item(row);
    item->setCheckState(item->checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}

// Does `inside` once `window` is shown; gives up after a while (a window that never opens).
void WhenShown(QWidget* window, const std::function<void()>& inside, int tries = 200) {
    QTimer::singleShot(5, window, [window, inside, tries] {
        if (window->isVisible())
            inside();
        else if (tries > 0)
            WhenShown(window, inside, tries - 1);
    });
}

// Runs the modal window, doing `inside` while it is open.
bool RunWindow(TFileFiltersForm& form, std::string& filter, const std::vector<std::string>& files,
               const std::function<void()>& inside) {
    WhenShown(&form, inside);
    return form.Execute(filter, files);
}

struct TCase {
    const char* Name;
    std::string Filter;
    std::vector<std::string> Files;
    EFilterView View;
    std::vector<std::string> Lines; // as shown when the view opens
    std::vector<int> Toggled;
    std::string Result;
};

void PrintTo(const TCase& c, std::ostream* os) {
    *os << c.Name;
}

const std::vector<std::string> kMixed = {"/d/a.txt", "/d/b.TXT", "/d/c.doc"};

const TCase kCases[] = {
    {"StarTicksAll",
     "*",
     kMixed,
     EFilterView::Extensions,
     {"[x] .doc           [1 file]", "[x] .txt           [2 files]"},
     {},
     "*"},
    {"OneExtension",
     "*.txt",
     kMixed,
     EFilterView::Extensions,
     {"[ ] .doc           [1 file]", "[x] .txt           [2 files]"},
     {},
     "*.txt"},
    {"CommaSeparatesMasks",
     "*.txt,*.doc",
     kMixed,
     EFilterView::Extensions,
     {"[x] .doc           [1 file]", "[x] .txt           [2 files]"},
     {1},
     "*.doc"},
    {"TickingEveryLineGivesStar",
     "",
     kMixed,
     EFilterView::Extensions,
     {"[ ] .doc           [1 file]", "[ ] .txt           [2 files]"},
     {0, 1},
     "*"},
    {"ExtensionsJoined",
     "",
     {"/d/a.txt", "/d/b.doc", "/d/c.pdf"},
     EFilterView::Extensions,
     {"[ ] .doc           [1 file]", "[ ] .pdf           [1 file]", "[ ] .txt           [1 file]"},
     {0, 2},
     "*.doc; *.txt"},
    {"NoDotIsDot",
     "*",
     {"/d/README", "/d/a.txt", "/d/b."},
     EFilterView::Extensions,
     {"[x] .              [2 files]", "[x] .txt           [1 file]"},
     {1},
     "*.; README"},
    {"UntickEverything",
     "*",
     kMixed,
     EFilterView::Extensions,
     {"[x] .doc           [1 file]", "[x] .txt           [2 files]"},
     {0, 1},
     ""},
    {"PartlySelectedExtensionUnticked",
     "a*",
     kMixed,
     EFilterView::Extensions,
     {"[ ] .doc           [1 file]", "[ ] .txt           [2 files]"},
     {},
     ""},
    {"LongExtensionNotCut",
     "*",
     {"/d/x.averyverylongext"},
     EFilterView::Extensions,
     {"[x] .averyverylongext[1 file]"},
     {},
     "*"},
    {"NoFilesNoLines", "", {}, EFilterView::Extensions, {}, {}, "*"},
    {"NamesOnePerName",
     "a*",
     {"/d/b.txt", "/d/a.txt", "/e/a.txt", "/e/A.TXT"},
     EFilterView::Names,
     {"[x] a.txt", "[ ] b.txt"},
     {},
     "a.txt"},
    {"NamesJoined",
     "",
     {"/d/c", "/d/a.txt", "/d/b.txt"},
     EFilterView::Names,
     {"[ ] a.txt", "[ ] b.txt", "[ ] c"},
     {0, 2},
     "a.txt; c"},
    {"NamesAllTicked",
     "*.txt",
     {"/d/a.txt", "/d/b.doc"},
     EFilterView::Names,
     {"[x] a.txt", "[ ] b.doc"},
     {1},
     "*"},
    // A name the mask language or the filter splitting would misread stays one mask.
    {"NamesMadeLiteral",
     "",
     {"/d/My File;1.txt", "/d/[x]*?.txt"},
     EFilterView::Names,
     {"[ ] My File;1.txt", "[ ] [x]*?.txt"},
     {0},
     "My?File?1.txt"},
    {"BackslashIsPartOfAName",
     "*",
     {"/d/a\\b.txt", "/d/c:d"},
     EFilterView::Names,
     {"[x] a\\b.txt", "[x] c:d"},
     {1},
     "a\\b.txt"},
    {"SpecialNameMatchesItself",
     "",
     {"/d/My File;1.txt", "/d/[x]*?.txt"},
     EFilterView::Names,
     {"[ ] My File;1.txt", "[ ] [x]*?.txt"},
     {1},
     "[[]x][*][?].txt"},
};

class FileFiltersCases : public EditorTest, public ::testing::WithParamInterface<TCase> {};

} // namespace

TEST_P(FileFiltersCases, LinesTicksAndText) {
    const TCase& c = GetParam();
    TFileFiltersForm form;
    std::string filter = c.Filter;
    std::vector<std::string> shown;
    const bool ok = RunWindow(form, filter, c.Files, [&] {
        if (c.View == EFilterView::Names)
            form.ShowNamesRadio->click();
        shown = Lines(form);
        for (int row : c.Toggled)
            Toggle(form, row);
        form.Button1->click();
    });
    EXPECT_TRUE(ok);
    EXPECT_EQ(shown, c.Lines);
    EXPECT_EQ(filter, c.Result);
    EXPECT_TRUE(boxes.empty());
    // The text given back selects again what was ticked: opened with it, the window
    // ticks the same lines.
    if (!c.Files.empty() && !c.Toggled.empty()) {
        std::vector<std::string> again;
        RunWindow(form, filter, c.Files, [&] {
            if (c.View == EFilterView::Names)
                form.ShowNamesRadio->click();
            again = Lines(form);
            form.Button2->click();
        });
        for (std::size_t i = 0; i < again.size(); ++i) {
            const bool ticked =
                std::find(c.Toggled.begin(), c.Toggled.end(), static_cast<int>(i)) != c.Toggled.end();
            EXPECT_EQ(again[i].substr(0, 3) == "[x]", ticked != (c.Lines[i].substr(0, 3) == "[x]"))
                << again[i];
        }
    }
}

INSTANTIATE_TEST_SUITE_P(EdgeCases, FileFiltersCases, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(EditorTest, FileFiltersCancelAndCloseLeaveTheText) {
    TFileFiltersForm form;
    for (const bool close : {false, true}) {
        std::string filter = "*.txt";
        EXPECT_FALSE(RunWindow(form, filter, kMixed, [&] {
            Toggle(form, 0);
            if (close)
                form.close();
            else
                form.Button2->click();
        }));
        EXPECT_EQ(filter, "*.txt");
    }
}

TEST_F(EditorTest, FileFiltersNameViewBelowAThousandFiles) {
    TFileFiltersForm form;
    for (const std::size_t n :
         {std::size_t{0}, kMaxNameViewFiles - 1, kMaxNameViewFiles, kMaxNameViewFiles + 1}) {
        std::vector<std::string> files;
        for (std::size_t i = 0; i < n; ++i)
            files.push_back("/d/f" + std::to_string(i) + ".txt");
        ASSERT_TRUE(form.Open("*", files));
        EXPECT_EQ(form.ShowNamesRadio->isEnabled(), n < kMaxNameViewFiles) << n << " files";
        EXPECT_TRUE(form.ShowExtRadio->isChecked());
        form.Release();
    }
}

TEST_F(EditorTest, FileFiltersMalformedMaskKeepsTheWindowClosed) {
    std::string expected;
    try {
        MatchesMask("a.txt", "[a-");
    } catch (const EMaskException& e) {
        expected = e.what();
    }
    ASSERT_FALSE(expected.empty());
    TFileFiltersForm form;
    std::string filter = "*.doc [a-";
    bool opened = false;
    EXPECT_FALSE(RunWindow(form, filter, kMixed, [&] { opened = true; }));
    EXPECT_FALSE(opened);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(filter, "*.doc [a-");
    EXPECT_EQ(boxes, std::vector<std::string>{expected});
    // A malformed mask behind one that takes every name is never tried, as in a backup.
    filter = "* [a-";
    EXPECT_TRUE(RunWindow(form, filter, kMixed, [&] { form.Button1->click(); }));
    EXPECT_EQ(filter, "*");
    EXPECT_EQ(boxes.size(), 1u);
}

TEST_F(EditorTest, FileFiltersMalformedMaskOnSwitchKeepsTheView) {
    TFileFiltersForm form;
    form.BuildLines = [](EFilterView view, const std::vector<std::string>& files,
                         const std::vector<std::string>& masks) {
        if (view == EFilterView::Names)
            throw EMaskException("[", 2);
        return BuildFilterLines(view, files, masks);
    };
    std::string filter = "*.txt";
    std::vector<std::string> before, after;
    EXPECT_TRUE(RunWindow(form, filter, kMixed, [&] {
        Toggle(form, 0);
        before = Lines(form);
        form.ShowNamesRadio->click();
        after = Lines(form);
        EXPECT_TRUE(form.ShowExtRadio->isChecked());
        EXPECT_FALSE(form.ShowNamesRadio->isChecked());
        EXPECT_EQ(form.View(), EFilterView::Extensions);
        form.Button1->click();
    }));
    EXPECT_EQ(before, after);
    EXPECT_EQ(boxes, std::vector<std::string>{EMaskException("[", 2).what()});
    EXPECT_EQ(filter, "*") << "the lines and ticks of the kept view are what Ok reads";
}

TEST_F(EditorTest, FileFiltersTexts) {
    TFileFiltersForm form;
    ApplyLanguage(true);
    EXPECT_EQ(form.windowTitle(), "Фильтры файлов");
    EXPECT_EQ(form.ModeGroup->title(), "Режим выбора фильтра");
    EXPECT_EQ(form.ShowExtRadio->text(), "Отображать расширения");
    EXPECT_EQ(form.ShowNamesRadio->text(), "Отображать имена файлов");
    EXPECT_EQ(form.Button1->text(), "Ок");
    EXPECT_EQ(form.Button2->text(), "Отмена");
    EXPECT_EQ(form.ShowNamesRadio->accessibleName(), "Отображать имена файлов");
    ASSERT_TRUE(form.Open("*", kMixed));
    EXPECT_EQ(form.GroupsCheckList->item(1)->text(), ".txt           [2 files]") << "counts stay English";
    ApplyLanguage(false);
    EXPECT_EQ(form.windowTitle(), "File filters");
    EXPECT_EQ(form.ModeGroup->title(), "Filter selection mode");
    EXPECT_EQ(form.ShowExtRadio->text(), "Show extensions");
    EXPECT_EQ(form.ShowNamesRadio->text(), "Show file names");
    EXPECT_EQ(form.Button1->text(), "Ok");
    EXPECT_EQ(form.Button2->text(), "Cancel");
    EXPECT_TRUE(form.GroupsCheckList->font().fixedPitch() ||
                form.GroupsCheckList->font() == QFontDatabase::systemFont(QFontDatabase::FixedFont));
}

// From the editor's browse button to the files the next backup selects.
TEST_F(EditorTest, BrowsedFilterSelectsTheTickedFiles) {
    const fs::path dir =
        fs::temp_directory_path() / ("korvel-browse-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir / "sub");
    for (const char* name : {"a.txt", "b.doc", "README", "sub/c.txt", "sub/d.pdf", "sub/My File.txt"})
        std::ofstream(dir / name) << name;
    TTask task;
    task.SourceDirs = {dir.string() + "/"};
    task.IncludeSubDirs = true;
    form->Open(task, false);

    // A malformed mask: the browser does not open and the edit keeps its text.
    form->IncludeFilterEdit->setText("[");
    form->BrowseIncFilterButton->click();
    EXPECT_EQ(boxes.size(), 1u);
    EXPECT_EQ(form->IncludeFilterEdit->text(), "[");

    form->IncludeFilterEdit->setText("*");
    auto* browser = form->findChild<TFileFiltersForm*>();
    ASSERT_NE(browser, nullptr);
    std::vector<std::string> shown;
    WhenShown(browser, [&] {
        shown = Lines(*browser);
        Toggle(*browser, 2); // .pdf
        Toggle(*browser, 3); // .txt
        browser->Button1->click();
    });
    form->BrowseIncFilterButton->click();
    EXPECT_EQ(shown,
              (std::vector<std::string>{"[x] .              [1 file]", "[x] .doc           [1 file]",
                                        "[x] .pdf           [1 file]", "[x] .txt           [3 files]"}));
    EXPECT_EQ(form->IncludeFilterEdit->text(), "*.; README; *.doc");
    auto selected = SelectFiles(dir.string(), form->IncludeFilterEdit->text().toStdString(), "", true);
    std::sort(selected.begin(), selected.end());
    EXPECT_EQ(selected, (std::vector<std::string>{dir.string() + "/README", dir.string() + "/b.doc"}));

    // Cancel leaves the edit alone.
    WhenShown(browser, [&] { browser->Button2->click(); });
    form->BrowseIncFilterButton->click();
    EXPECT_EQ(form->IncludeFilterEdit->text(), "*.; README; *.doc");
    fs::remove_all(dir);
}
