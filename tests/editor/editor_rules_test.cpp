// Which controls the user can reach for each combination of settings, and the
// archive name following the compression type.

#include <QLabel>

#include "editor_fixture.h"

using namespace korvel;

TEST_F(EditorTest, EnablingRules) {
    struct Row {
        bool sub, someSub;
        int type;
        bool deleteOld, protect, schedule;
        int perform;
        // expected
        bool someSubBox, exclList, archiveOptions, deleteCount, password, updateOnly, incrNote,
            scheduleOptions, weekDays, monthDays;
    };
    const Row rows[] = {
        // sub  some   type del  prot  sched perf | someB excl   arch  delC   pass   upd    note   sch    week
        // month
        {false, true, 1, false, false, false, 1, false, false, true, false, false, true, true, false, false,
         false},
        {true, false, 1, true, false, true, 2, true, false, true, true, false, true, true, true, true, false},
        {true, true, 2, false, true, true, 3, true, true, true, false, true, false, false, true, false, true},
        {true, true, 0, true, true, false, 3, true, true, false, false, false, true, false, false, false,
         false},
        {false, false, 0, false, false, true, 1, false, false, false, false, false, true, false, true, false,
         false},
        {false, false, 2, true, true, false, 2, false, false, true, true, true, false, false, false, false,
         false},
    };
    int n = 0;
    for (const Row& r : rows) {
        TTask task;
        task.IncludeSubDirs = r.sub;
        task.ExcludeSomeSubDirs = r.someSub;
        task.SetCompressType(r.type);
        task.DeleteOldFiles = r.deleteOld;
        task.ProtectArchive = r.protect;
        task.UseSchedule = r.schedule;
        task.PerformTask = r.perform;
        form->Open(task, false);
        const std::string row = "row " + std::to_string(n++);
        EXPECT_EQ(form->ExcludeSomeSubDirsCheck->isEnabled(), r.someSubBox) << row;
        for (QWidget* w : {static_cast<QWidget*>(form->ExcludeSubDirsList),
                           static_cast<QWidget*>(form->AddExclSubDirButtom),
                           static_cast<QWidget*>(form->DelExclSubDirButton)})
            EXPECT_EQ(w->isEnabled(), r.exclList) << row << " " << w->objectName().toStdString();
        for (QWidget* w :
             {static_cast<QWidget*>(form->CompressLevelCombo), static_cast<QWidget*>(form->ZipFileNameEdit),
              static_cast<QWidget*>(form->AskZipFileNameCheck),
              static_cast<QWidget*>(form->DeleteOldFilesCheck),
              static_cast<QWidget*>(form->ProtectArchiveCheck),
              static_cast<QWidget*>(form->ZipFileNameHintLabel)})
            EXPECT_EQ(w->isEnabled(), r.archiveOptions) << row << " " << w->objectName().toStdString();
        EXPECT_EQ(form->DeleteOldFilesEdit->isEnabled(), r.deleteCount) << row;
        EXPECT_EQ(form->ProtectArchivePasswordEdit->isEnabled(), r.password) << row;
        EXPECT_EQ(form->UpdateOnlyCheck->isEnabled(), r.updateOnly) << row;
        EXPECT_EQ(form->UpdateOnlyLabel->isEnabled(), r.updateOnly) << row;
        EXPECT_EQ(form->IncrBackupHelpLabel->isEnabled(), r.incrNote) << row;
        EXPECT_EQ(form->PerformTaskGroup->isEnabled(), r.scheduleOptions) << row;
        EXPECT_EQ(form->StartTimePicker->isEnabled(), r.scheduleOptions) << row;
        EXPECT_EQ(form->ScheduleNoteLabel->isEnabled(), r.scheduleOptions) << row;
        EXPECT_EQ(form->ScheduleWeekDaysCheckList->isEnabled(), r.weekDays) << row;
        EXPECT_EQ(form->ScheduleMonthDaysEdit->isEnabled(), r.monthDays) << row;
    }
}

TEST_F(EditorTest, ClicksReapplyTheRules) {
    TTask task;
    form->Open(task, false);
    EXPECT_FALSE(form->ExcludeSomeSubDirsCheck->isEnabled());
    Click(form->IncludeSubDirsCheck);
    EXPECT_TRUE(form->ExcludeSomeSubDirsCheck->isEnabled());
    Click(form->ExcludeSomeSubDirsCheck);
    EXPECT_TRUE(form->AddExclSubDirButtom->isEnabled());
    Click(form->ProtectArchiveCheck);
    EXPECT_TRUE(form->ProtectArchivePasswordEdit->isEnabled());
    Click(form->DeleteOldFilesCheck);
    EXPECT_TRUE(form->DeleteOldFilesEdit->isEnabled());
    ClickType(0);
    EXPECT_FALSE(form->DeleteOldFilesEdit->isEnabled());
    EXPECT_FALSE(form->ProtectArchivePasswordEdit->isEnabled());
    Click(form->UseScheduleButtons->button(1));
    Click(form->PerformTaskButtons->button(1));
    EXPECT_TRUE(form->ScheduleWeekDaysCheckList->isEnabled());
    Click(form->UseScheduleButtons->button(0));
    EXPECT_FALSE(form->ScheduleWeekDaysCheckList->isEnabled()) << "manual only, whatever the kind shows";
}

TEST_F(EditorTest, CompressionTypeSwitchesTheArchiveExtension) {
    TTask task;
    form->Open(task, true);
    ClickType(2);
    EXPECT_EQ(form->ZipFileNameEdit->text(), "mybackup_%yyyy_%mm_%dd.exe");
    ClickType(1);
    EXPECT_EQ(form->ZipFileNameEdit->text(), "mybackup_%yyyy_%mm_%dd.zip");
    ClickType(0);
    EXPECT_EQ(form->ZipFileNameEdit->text(), "mybackup_%yyyy_%mm_%dd.zip");
    form->ZipFileNameEdit->setText("nightly");
    ClickType(2);
    EXPECT_EQ(form->ZipFileNameEdit->text(), "nightly.exe");
    Click(form->ApplyButton);
    EXPECT_TRUE(task.Compress);
    EXPECT_TRUE(task.Sfx);
    EXPECT_EQ(task.ZipFileName, "nightly.exe");

    task.ZipFileName = "kept.zip";
    form->Open(task, false);
    EXPECT_EQ(form->ZipFileNameEdit->text(), "kept.zip") << "filling is not a click";
}
