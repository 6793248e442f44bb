// The task editor driven through its widgets: filling and applying, validation,
// the per-directory filters, the lists, the template, navigation and texts.

#include <QLabel>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "editor/month_days.h"
#include "editor_fixture.h"
#include "tasks/tasks_list.h"

using namespace korvel;
namespace fs = std::filesystem;

namespace {

#define KORVEL_EXPECT_FIELD(f) EXPECT_EQ(actual.f, expected.f) << #f << " of " << what
void ExpectSameTask(const TTask& actual, const TTask& expected, const std::string& what) {
    KORVEL_EXPECT_FIELD(Parent);
    KORVEL_EXPECT_FIELD(SourceParentSettings);
    KORVEL_EXPECT_FIELD(DestParentSettings);
    KORVEL_EXPECT_FIELD(CompressParentSettings);
    KORVEL_EXPECT_FIELD(ScheduleParentSettings);
    KORVEL_EXPECT_FIELD(TaskName);
    KORVEL_EXPECT_FIELD(SourceDirs);
    KORVEL_EXPECT_FIELD(IncludeSubDirs);
    KORVEL_EXPECT_FIELD(UseIndFilters);
    KORVEL_EXPECT_FIELD(Filters);
    KORVEL_EXPECT_FIELD(ExcludeSomeSubDirs);
    KORVEL_EXPECT_FIELD(ExcludeSubDirs);
    KORVEL_EXPECT_FIELD(DestDir);
    KORVEL_EXPECT_FIELD(ShowUnableToBackup);
    KORVEL_EXPECT_FIELD(Compress);
    KORVEL_EXPECT_FIELD(ZipFileName);
    KORVEL_EXPECT_FIELD(AskZipFileName);
    KORVEL_EXPECT_FIELD(CompressLevel);
    KORVEL_EXPECT_FIELD(Sfx);
    KORVEL_EXPECT_FIELD(UpdateOnly);
    KORVEL_EXPECT_FIELD(DeleteOldFiles);
    KORVEL_EXPECT_FIELD(DeleteOldFilesCount);
    KORVEL_EXPECT_FIELD(ProtectArchive);
    KORVEL_EXPECT_FIELD(ProtectArchivePassword);
    KORVEL_EXPECT_FIELD(UseSchedule);
    KORVEL_EXPECT_FIELD(PerformTask);
    KORVEL_EXPECT_FIELD(StartTime);
    KORVEL_EXPECT_FIELD(Reserved1);
    KORVEL_EXPECT_FIELD(ScheduleWeekDays);
    KORVEL_EXPECT_FIELD(ScheduleMonthDays);
    KORVEL_EXPECT_FIELD(Processed);
    KORVEL_EXPECT_FIELD(Reserved2);
    KORVEL_EXPECT_FIELD(TaskId);
}
#undef KORVEL_EXPECT_FIELD

// Tasks that use every control, each with its directories already ending in "/".
std::vector<std::unique_ptr<TTask>> VariedTasks() {
    std::vector<std::unique_ptr<TTask>> tasks;
    tasks.push_back(std::make_unique<TTask>()); // the defaults
    tasks.back()->TaskName = "Defaults";

    auto t = std::make_unique<TTask>();
    t->TaskName = "Три папки";
    t->SourceDirs = {"/home/ann/Документы/", "/srv/photos/", "/var/mail/"};
    t->IncludeSubDirs = true;
    t->UseIndFilters = true;
    t->Filters[0] = {"*.doc;*.odt", "~*"};
    t->Filters[1] = {"*.jpg", ""};
    t->Filters[2] = {"*", "*.lock"};
    t->Filters[5] = {"left", "alone"}; // beyond the directories: never read, kept
    t->ExcludeSomeSubDirs = true;
    t->ExcludeSubDirs = {"/srv/photos/tmp/", "/var/mail/trash/"};
    t->DestDir = "/mnt/backup/";
    t->ShowUnableToBackup = false;
    t->SetCompressType(2);
    t->ZipFileName = "photos_%yy_%n.exe";
    t->CompressLevel = 3;
    t->DeleteOldFiles = true;
    t->DeleteOldFilesCount = 0;
    t->ProtectArchive = true;
    t->ProtectArchivePassword = "s3cret word";
    t->UseSchedule = true;
    t->PerformTask = 3;
    t->ScheduleMonthDays[0] = t->ScheduleMonthDays[14] = t->ScheduleMonthDays[30] = true;
    t->ScheduleWeekDays[2] = true; // kept although the schedule is monthly
    t->StartTime = 46000.75 + 1e-10;
    t->Reserved1 = 7;
    t->Reserved2 = 9;
    tasks.push_back(std::move(t));

    t = std::make_unique<TTask>();
    t->TaskName = "Copy";
    t->SourceDirs = {"/etc/"};
    t->Filters[0] = {"*.conf", "*.bak"};
    t->DestDir = "/mnt/copy/";
    t->SetCompressType(0);
    t->UpdateOnly = true;
    t->AskZipFileName = true;
    t->CompressLevel = 0;
    t->UseSchedule = true;
    t->PerformTask = 2;
    t->ScheduleWeekDays = {true, false, true, false, true, false, true};
    t->StartTime = 45000.0 + (23 * 3600 + 59 * 60 + 59) / 86400.0;
    tasks.push_back(std::move(t));

    t = std::make_unique<TTask>(); // a child, whose parent-settings boxes are in use
    t->TaskName = "Child";
    t->SourceParentSettings = true;
    t->ScheduleParentSettings = true;
    t->DestDir = "/mnt/child/";
    tasks.push_back(std::move(t));
    return tasks;
}

std::string FileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace

TEST_F(EditorTest, UnchangedTasksComeBackEqualAndStoreTheSameBytes) {
    const fs::path dir =
        fs::temp_directory_path() / ("korvel-editor-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir);
    TTasksList list(dir.string() + "/");
    for (auto& t : VariedTasks())
        list.Add(std::move(t));
    list.Item(3).Parent = &list.Item(1);
    ASSERT_TRUE(list.SaveTasks());
    const std::string before = FileBytes(list.TasksPath());

    for (int i = 0; i < list.Count(); ++i) {
        const TTask snapshot = list.Item(i);
        form->Open(list.Item(i), false);
        Click(form->ApplyButton);
        EXPECT_TRUE(form->Applied()) << snapshot.TaskName;
        EXPECT_TRUE(boxes.empty()) << boxes.front();
        ExpectSameTask(list.Item(i), snapshot, snapshot.TaskName);
    }
    ASSERT_TRUE(list.SaveTasks());
    EXPECT_EQ(FileBytes(list.TasksPath()), before);
    fs::remove_all(dir);
}

TEST_F(EditorTest, TypedDirectoriesGainTheSeparator) {
    const std::pair<std::string, std::string> cases[] = {{"/srv/backup", "/srv/backup/"},
                                                         {"/srv/backup/", "/srv/backup/"},
                                                         {"", ""},
                                                         {"relative", "relative/"}};
    for (const auto& [typed, stored] : cases) {
        TTask task;
        form->Open(task, false);
        form->DestDirEdit->setText(QString::fromStdString(typed));
        Click(form->ApplyButton);
        EXPECT_EQ(task.DestDir, stored) << typed;
    }
}

TEST_F(EditorTest, CancelLeavesTheTaskUntouched) {
    auto tasks = VariedTasks();
    TTask& task = *tasks[1];
    const TTask snapshot = task;
    form->Open(task, false);
    form->TaskNameEdit->setText("changed");
    SelectDir(1);
    form->IncludeFilterEdit->setText("*.changed");
    ClickType(1);
    form->ScheduleMonthDaysEdit->setText("2");
    Click(form->CancelButton);
    EXPECT_FALSE(form->Applied());
    ExpectSameTask(task, snapshot, "cancelled");
}

TEST_F(EditorTest, AppliedControlsReachTheTask) {
    TTask task;
    form->Open(task, true);
    form->TaskNameEdit->setText("Nightly");
    form->ZipFileNameEdit->setText("night.zip");
    Click(form->DeleteOldFilesCheck);
    form->DeleteOldFilesEdit->setText("4");
    form->CompressLevelCombo->setCurrentIndex(5);
    Click(form->UseScheduleButtons->button(1));
    Click(form->PerformTaskButtons->button(2));
    form->ScheduleMonthDaysEdit->setText("21;1 ,11");
    form->StartTimePicker->setTime(QTime(3, 4, 5));
    Click(form->ApplyButton);
    ASSERT_TRUE(form->Applied());
    EXPECT_EQ(task.TaskName, "Nightly");
    EXPECT_EQ(task.ZipFileName, "night.zip");
    EXPECT_TRUE(task.DeleteOldFiles);
    EXPECT_EQ(task.DeleteOldFilesCount, 4);
    EXPECT_EQ(task.CompressLevel, 5);
    EXPECT_TRUE(task.UseSchedule);
    EXPECT_EQ(task.PerformTask, 3);
    const TDateParts time = DecodeDateTime(task.StartTime);
    EXPECT_EQ(std::tie(time.Hour, time.Minute, time.Second), std::make_tuple(3, 4, 5));
    TMonthDays days{};
    days[0] = days[10] = days[20] = true;
    EXPECT_EQ(task.ScheduleMonthDays, days);

    form->Open(task, false);
    EXPECT_EQ(form->ScheduleMonthDaysEdit->text(), "1, 11, 21");
    EXPECT_EQ(form->StartTimePicker->time(), QTime(3, 4, 5));
}

TEST_F(EditorTest, BadNumbersKeepTheEditorOpenAndTheTaskUnchanged) {
    struct Case {
        const char* deleteOldFiles;
        const char* monthDays;
        int page;
        const char* message;
    };
    const Case cases[] = {
        {"10", "0", TTaskEdForm::SchedulePage, "Day 0 is outside the range of days of the month (1-31)."},
        {"10", "1, 32", TTaskEdForm::SchedulePage,
         "Day 32 is outside the range of days of the month (1-31)."},
        {"10", "1-5", TTaskEdForm::SchedulePage, "'1-5' is not a valid integer value"},
        {"ten", "1", TTaskEdForm::CompressionPage, "'ten' is not a valid integer value"},
        {"-2", "1", TTaskEdForm::CompressionPage,
         "The number of archive files to keep cannot be negative: -2."},
    };
    for (const auto& c : cases) {
        auto tasks = VariedTasks();
        TTask& task = *tasks[1];
        const TTask snapshot = task;
        form->Open(task, false);
        form->show();
        form->TaskNameEdit->setText("renamed"); // written first by the letter of the old editor
        form->DeleteOldFilesEdit->setText(c.deleteOldFiles);
        form->ScheduleMonthDaysEdit->setText(c.monthDays);
        boxes.clear();
        Click(form->ApplyButton);
        EXPECT_FALSE(form->Applied()) << c.monthDays;
        EXPECT_TRUE(form->isVisible()) << c.monthDays;
        EXPECT_EQ(form->CurrentPage(), c.page) << c.monthDays;
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0], c.message);
        ExpectSameTask(task, snapshot, c.monthDays);
        EXPECT_EQ(form->TaskNameEdit->text(), "renamed") << "the user's edits stay";
        QLineEdit* field =
            c.page == TTaskEdForm::SchedulePage ? form->ScheduleMonthDaysEdit : form->DeleteOldFilesEdit;
        EXPECT_EQ(field->selectedText(), field->text());
        form->hide();
    }
}

TEST_F(EditorTest, BadDayMessageInRussian) {
    TTask task;
    form->Open(task, false);
    ApplyLanguage(true);
    form->ScheduleMonthDaysEdit->setText("40");
    Click(form->ApplyButton);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "День 40 вне диапазона дней месяца (1-31).");
}

TEST_F(EditorTest, IndividualFiltersFollowTheSelectedDirectory) {
    auto tasks = VariedTasks();
    TTask& task = *tasks[1];
    form->Open(task, false);
    EXPECT_EQ(form->SourceDirsList->currentRow(), 0);
    EXPECT_EQ(form->IncludeFilterEdit->text(), "*.doc;*.odt");
    EXPECT_EQ(form->ExcludeFilterEdit->text(), "~*");
    form->IncludeFilterEdit->setText("*.txt");
    SelectDir(1);
    EXPECT_EQ(form->IncludeFilterEdit->text(), "*.jpg");
    SelectDir(0);
    EXPECT_EQ(form->IncludeFilterEdit->text(), "*.txt") << "stored when leaving directory 1";
    SelectDir(2);
    form->ExcludeFilterEdit->setText("*.new");
    Click(form->ApplyButton); // stores the edits of the directory shown
    EXPECT_EQ(task.Filters[0], (TFilterPair{"*.txt", "~*"}));
    EXPECT_EQ(task.Filters[1], (TFilterPair{"*.jpg", ""}));
    EXPECT_EQ(task.Filters[2], (TFilterPair{"*", "*.new"}));
    EXPECT_EQ(task.Filters[5], (TFilterPair{"left", "alone"}));
}

TEST_F(EditorTest, CheckingIndividualFiltersStartsEveryDirectoryFromTheEdits) {
    TTask task;
    task.SourceDirs = {"/a/", "/b/"};
    task.Filters[0] = {"*.doc", "*.tmp"};
    form->Open(task, false);
    Click(form->UseIndFiltersCheck);
    picks = {"/c/"};
    Click(form->AddDirButton);
    SelectDir(1);
    EXPECT_EQ(form->IncludeFilterEdit->text(), "*.doc");
    Click(form->ApplyButton);
    EXPECT_TRUE(task.UseIndFilters);
    EXPECT_EQ(task.SourceDirs, (std::vector<std::string>{"/a/", "/b/", "/c/"}));
    EXPECT_EQ(task.Filters[0], (TFilterPair{"*.doc", "*.tmp"}));
    EXPECT_EQ(task.Filters[1], (TFilterPair{"*.doc", "*.tmp"}));
    EXPECT_EQ(task.Filters[2], (TFilterPair{"*", ""})) << "added after the box was checked";
}

TEST_F(EditorTest, DeletingTheFirstOfThreeKeepsTheOthersPairs) {
    auto tasks = VariedTasks();
    TTask& task = *tasks[1];
    form->Open(task, false);
    SelectDir(0);
    Click(form->DelDirButton);
    EXPECT_EQ(form->SourceDirsList->count(), 2);
    const int shown = form->SourceDirsList->currentRow();
    if (shown >= 0) {
        EXPECT_EQ(form->IncludeFilterEdit->text(), shown == 0 ? "*.jpg" : "*")
            << "the edits show the selected line";
    }
    Click(form->ApplyButton);
    EXPECT_EQ(task.SourceDirs, (std::vector<std::string>{"/srv/photos/", "/var/mail/"}));
    EXPECT_EQ(task.Filters[0], (TFilterPair{"*.jpg", ""}));
    EXPECT_EQ(task.Filters[1], (TFilterPair{"*", "*.lock"}));
}

TEST_F(EditorTest, FilterCaptionsNameTheSelectedDirectory) {
    auto tasks = VariedTasks();
    form->resize(900, 600);
    form->Open(*tasks[1], false);
    form->show();
    form->GoToPage(TTaskEdForm::SourcePage);
    SelectDir(1);
    EXPECT_EQ(form->IncludeFilterLabel->text(), "Include filter for source directory /srv/photos/:");
    EXPECT_EQ(form->ExcludeFilterLabel->text(), "Exclude filter for source directory /srv/photos/:");
    EXPECT_EQ(form->IncludeFilterEdit->accessibleName(), form->IncludeFilterLabel->text());
    EXPECT_EQ(form->BrowseIncFilterButton->text(), "Browse in source directory");
    ApplyLanguage(true);
    EXPECT_EQ(form->IncludeFilterLabel->text(), "Фильтр включённых файлов для сохр. папки /srv/photos/:");
    EXPECT_EQ(form->ExcludeFilterLabel->text(), "Фильтр исключённых файлов для сохр. папки /srv/photos/:");
    EXPECT_EQ(form->BrowseExcFilterButton->text(), "Просканировать в сохр. папке");
    ApplyLanguage(false);

    form->SourceDirsList->item(1)->setText(QString(300, QLatin1Char('x')));
    SelectDir(0);
    SelectDir(1);
    EXPECT_TRUE(form->IncludeFilterLabel->text().endsWith("...:")) << "shortened to the edit's width";

    Click(form->UseIndFiltersCheck); // off
    EXPECT_EQ(form->IncludeFilterLabel->text(), "Include filter:");
    EXPECT_EQ(form->ExcludeFilterLabel->text(), "Exclude filter:");
    EXPECT_EQ(form->BrowseIncFilterButton->text(), "Browse in source directories");
    EXPECT_EQ(form->BrowseExcFilterButton->text(), "Browse in source directories");
}

TEST_F(EditorTest, SourceDirectoriesRefuseDuplicatesAndTheHundredAndFirst) {
    TTask task;
    form->Open(task, false);
    picks = {"/data/", "/data/", "/Data/"};
    for (int i = 0; i < 3; ++i)
        Click(form->AddDirButton);
    EXPECT_EQ(pickerTitles[0], "Choose the source directory");
    EXPECT_FALSE(pickerNewStyle[0]);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "The directory /data/ have been already added to the list.");
    EXPECT_EQ(form->SourceDirsList->count(), 2) << "names differing in case are two directories here";

    ApplyLanguage(true);
    picks = {"/data/"};
    Click(form->AddDirButton);
    EXPECT_EQ(pickerTitles.back(), "Выберите сохраняемую папку");
    EXPECT_EQ(boxes.back(), "Папка /data/ уже добавлена в список.");
    ApplyLanguage(false);

    for (int i = 2; i < kMaxFilterPairs; ++i)
        form->SourceDirsList->addItem(QStringLiteral("/d%1/").arg(i));
    boxes.clear();
    const auto asked = pickerTitles.size();
    picks = {"/one-too-many/"};
    Click(form->AddDirButton);
    EXPECT_EQ(form->SourceDirsList->count(), kMaxFilterPairs);
    EXPECT_EQ(pickerTitles.size(), asked) << "refused before the chooser opens";
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "A task can have at most 100 source directories.");
}

TEST_F(EditorTest, ExcludedSubdirectoriesAndDestinationPickers) {
    TTask task;
    form->Open(task, false);
    Click(form->IncludeSubDirsCheck);
    Click(form->ExcludeSomeSubDirsCheck);
    picks = {"/src/tmp/", "/src/tmp/", "/mnt/new/"};
    Click(form->AddExclSubDirButtom);
    ApplyLanguage(true);
    Click(form->AddExclSubDirButtom);
    EXPECT_EQ(pickerTitles[1], "Choose the directory to be excluded from the backup");
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "The directory /src/tmp/ have been already added to the list.") << "English in both";
    Click(form->BrowseDestDirButton);
    EXPECT_EQ(pickerTitles[2], "Choose the destination directory");
    EXPECT_TRUE(pickerNewStyle[2]) << "the destination chooser offers a new folder";
    EXPECT_EQ(form->DestDirEdit->text(), "/mnt/new/");
    form->ExcludeSubDirsList->setCurrentRow(0);
    Click(form->DelExclSubDirButton);
    Click(form->ApplyButton);
    EXPECT_TRUE(task.ExcludeSomeSubDirs);
    EXPECT_TRUE(task.ExcludeSubDirs.empty());
    EXPECT_EQ(task.DestDir, "/mnt/new/");
}

TEST_F(EditorTest, FilterBrowsingNeedsADirectory) {
    TTask task;
    form->Open(task, false);
    Click(form->BrowseIncFilterButton);
    ApplyLanguage(true);
    Click(form->BrowseExcFilterButton);
    EXPECT_EQ(boxes, (std::vector<std::string>{"No directory selected.", "No directory selected."}));

    const fs::path dir =
        fs::temp_directory_path() / ("korvel-filters-" + std::to_string(std::random_device{}()));
    fs::create_directories(dir / "sub");
    std::ofstream(dir / "a.txt") << "a";
    std::ofstream(dir / "sub" / "b.txt") << "b";
    std::vector<std::string> seen;
    form->Services().BrowseFilters = [&](const std::vector<std::string>& files, std::string& filter) {
        seen = files;
        EXPECT_EQ(filter, "*");
        filter = "*.txt";
        return true;
    };
    TTask withDir;
    withDir.SourceDirs = {dir.string() + "/"};
    withDir.IncludeSubDirs = true;
    form->Open(withDir, false);
    Click(form->BrowseIncFilterButton);
    EXPECT_EQ(form->IncludeFilterEdit->text(), "*.txt");
    EXPECT_EQ(seen.size(), 2u);
    fs::remove_all(dir);
}

TEST_F(EditorTest, MailTemplate) {
    auto tasks = VariedTasks();
    TTask& task = *tasks[1];
    form->Open(task, false);
    form->Services().OutlookStoreRoot = [] { return std::string(); };
    form->BackupOutlookExpressmessages1->trigger();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], "No Outlook Express message store was found on this computer.");
    EXPECT_EQ(form->SourceDirsList->count(), 3) << "the user's directories stay";
    EXPECT_TRUE(form->UseIndFiltersCheck->isChecked());

    form->Services().OutlookStoreRoot = [] { return std::string("/home/ann/Mail"); };
    form->BackupOutlookExpressmessages1->trigger();
    Click(form->ApplyButton);
    EXPECT_EQ(task.SourceDirs, (std::vector<std::string>{"/home/ann/Mail/"}));
    EXPECT_FALSE(task.UseIndFilters);
    EXPECT_EQ(task.Filters[0], (TFilterPair{"*", ""}));
    EXPECT_FALSE(task.IncludeSubDirs);
    EXPECT_FALSE(task.ExcludeSomeSubDirs);
    EXPECT_TRUE(task.ExcludeSubDirs.empty());
    EXPECT_EQ(task.DestDir, "/mnt/backup/") << "nothing else changes";
}

TEST_F(EditorTest, NavigationAndHelp) {
    TTask task;
    form->Open(task, false);
    std::vector<int> helped;
    form->Services().ShowHelp = [&](int page) { helped.push_back(page); };
    EXPECT_FALSE(form->PrevTabButton->isEnabled());
    EXPECT_TRUE(form->NextTabButton->isEnabled());
    for (int i = 0; i < 6; ++i)
        Click(form->NextTabButton);
    EXPECT_EQ(form->CurrentPage(), TTaskEdForm::SchedulePage);
    EXPECT_FALSE(form->NextTabButton->isEnabled());
    Click(form->HelpButton);
    Click(form->PrevTabButton);
    Click(form->HelpButton);
    form->PageControl->setCurrentIndex(0); // a click on the tab
    EXPECT_FALSE(form->PrevTabButton->isEnabled());
    Click(form->HelpButton);
    EXPECT_EQ(helped, (std::vector<int>{4, 3, 0}));
    form->GoToPage(2);
    form->Open(task, false);
    EXPECT_EQ(form->CurrentPage(), 0) << "every opening starts on the first page";
}

TEST_F(EditorTest, ParentSettingsBoxesOnlyForChildren) {
    TTask parent;
    TTask child;
    child.Parent = &parent;
    child.SourceParentSettings = child.CompressParentSettings = true;
    form->Open(child, false);
    EXPECT_TRUE(form->SourceParentSettingsCheck->isEnabled());
    EXPECT_TRUE(form->SourceParentSettingsCheck->isChecked());
    EXPECT_FALSE(form->DestParentSettingsCheck->isChecked());
    EXPECT_TRUE(form->CompressParentSettingsCheck->isChecked());
    EXPECT_TRUE(form->SourceParentSettingsCheck->isHidden());

    TTask orphan;
    orphan.SourceParentSettings = orphan.DestParentSettings = true;
    form->Open(orphan, false);
    EXPECT_FALSE(form->SourceParentSettingsCheck->isEnabled());
    Click(form->ApplyButton);
    EXPECT_FALSE(orphan.SourceParentSettings);
    EXPECT_FALSE(orphan.DestParentSettings);
}

TEST_F(EditorTest, FinishOrApplyInBothLanguages) {
    TTask task;
    for (const bool russian : {false, true}) {
        ApplyLanguage(russian);
        form->Open(task, true);
        EXPECT_EQ(form->ApplyButton->text(), "Finish") << russian;
        form->Open(task, false);
        EXPECT_EQ(form->ApplyButton->text(), "Apply") << russian;
    }
    form->Open(task, true);
    ApplyLanguage(false); // a switch while the editor is open keeps the caption
    EXPECT_EQ(form->ApplyButton->text(), "Finish");
}

TEST_F(EditorTest, LanguageSwitchRetranslatesEveryText) {
    ApplyLanguage(true);
    EXPECT_EQ(form->windowTitle(), "Параметры задачи");
    EXPECT_EQ(form->PageControl->tabText(4), "Планировщик");
    EXPECT_EQ(form->ApplyTemplateButton->text(), "Применить шаблон");
    EXPECT_EQ(form->CompressLevelCombo->itemText(4), "Уровень 4");
    EXPECT_EQ(form->ScheduleWeekDaysCheckList->item(6)->text(), "Воскресенье");
    EXPECT_EQ(form->UseScheduleButtons->button(0)->text(), "Запускать бэкап только вручную");
    EXPECT_EQ(form->DestDirEdit->accessibleName(), "Папка назначения:");
    ApplyLanguage(false);
    EXPECT_EQ(form->windowTitle(), "Task properties");
    EXPECT_EQ(form->PageControl->tabText(4), "Shedule");
    EXPECT_EQ(form->ApplyTemplateButton->text(), "Apply template...");
    EXPECT_EQ(form->BrowseIncFilterButton->text(), "Browse in source directories");
    EXPECT_EQ(form->BrowseExcFilterButton->text(), "Browse in source directories");
    EXPECT_EQ(form->CompressLevelCombo->itemText(9), "Level 9 (slowest)");
    EXPECT_EQ(form->UpdateOnlyLabel->text(), " to the archive and have same dates).");
}

TEST_F(EditorTest, ControlsAreNamedByTheirCaptions) {
    const std::pair<const char*, QWidget*> named[] = {
        {"Task name", form->TaskNameEdit},
        {"Source directories:", form->SourceDirsList},
        {"Destination directory:", form->DestDirEdit},
        {"Archive file name:", form->ZipFileNameEdit},
        {"Maximum number of files in destination directory:", form->DeleteOldFilesEdit},
        {"Compression level:", form->CompressLevelCombo},
        {"Protect with password:", form->ProtectArchivePasswordEdit},
        {"Start time:", form->StartTimePicker},
        {"Days of week:", form->ScheduleWeekDaysCheckList},
        {"Days of month:", form->ScheduleMonthDaysEdit},
        {"Include filter:", form->IncludeFilterEdit},
        {"Exclude some subdirectories from the backup:", form->ExcludeSubDirsList},
        {"Compress to SFX archive", form->CompressTypeButtons->button(2)},
        {"Next", form->NextTabButton},
    };
    for (const auto& [caption, widget] : named) {
        const auto found = form->findChildren<QWidget*>();
        const auto it = std::find_if(found.begin(), found.end(), [&, widget = widget](QWidget* w) {
            return w->accessibleName() == QString(caption) && w->metaObject() == widget->metaObject();
        });
        ASSERT_NE(it, found.end()) << caption;
        EXPECT_EQ(*it, widget) << caption;
    }
}
