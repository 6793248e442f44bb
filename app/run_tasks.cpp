// The run loop: one task after the other, with the progress window, the history
// and the messages for a stop or an error.

#include <QApplication>
#include <QLabel>
#include <exception>
#include <optional>
#include <utility>

#include "app/main_form.h"
#include "engine/run_task.h"
#include "engine/ui/progress_show_label_form.h"
#include "platform/date_time.h"
#include "platform/qt/message_box.h"

namespace korvel {

namespace {

constexpr unsigned kPauseAfterTask = 150;         // ms
constexpr unsigned kPauseAfterIncremental = 1200; // ms, after the last task when it updates an archive

} // namespace

void TMainForm::RunTasks(const TIntArray& indices) {
    // The run holds references into the task list and the one archive writer, and it
    // pumps events all along: a second run started from one of those pumps must not begin.
    if (running_)
        return;
    {
        running_ = true;
        stopForClose_ = false;
        UpdateActions();
        struct EndOfRun {
            TMainForm& form;
            ~EndOfRun() {
                form.running_ = false;
                form.UpdateActions();
            }
        } endOfRun{*this};
        RunTaskLoop(indices);
    }
    // A close asked for during the run was put off until nothing uses the tasks any more.
    if (std::exchange(closeAfterRun_, false))
        close();
}

void TMainForm::RunTaskLoop(const TIntArray& indices) {
    const int n = indices.Count();
    if (n == 0)
        return;
    TTasksList& tasks = *allTasks_;
    QStringList names;
    for (int k = 0; k < n; ++k)
        names << QString::fromStdString(tasks.Item(indices.Get(k)).TaskName);

    // The first notice a task shows (a box with only OK: an error, a refusal, files
    // left out) is what its failure is reported with.
    std::optional<std::string> firstError;
    TRunHooks hooks;
    hooks.MessageBox = [&firstError, show = CoreMessageBox(this)](
                           const std::string& text, const std::string& title, MsgButtons buttons) {
        if (buttons == MsgButtons::Ok && !firstError)
            firstError = text;
        return show(text, title, buttons);
    };
    hooks.InputBox = [this](const std::string& title, const std::string& prompt,
                            const std::string& initial) -> std::optional<std::string> {
        const auto text = ShowInputBox(this, QString::fromStdString(title), QString::fromStdString(prompt),
                                       QString::fromStdString(initial));
        if (!text)
            return std::nullopt;
        return text->toStdString();
    };
    hooks.ArchiveStep = services_.ArchiveStep;
    const ProgressFn progress = [this](double f) { return progressForm_->ShowProgress(f); };

    progressForm_->SetCaptions(QStringLiteral("Korvel"), tr("Cancel"));
    if (n > 1)
        progressForm_->StartTaskList(names);

    bool abort = false;
    for (int k = 0; k < n; ++k) {
        TTask& t = tasks.Item(indices.Get(k));
        firstError.reset();
        TRunReport report;
        try {
            if (t.Compress)
                PrepareArchiveName(t, hooks);
            if (n == 1) {
                progressForm_->StartTaskList(names);
                if (stopForClose_) // asked for while the archive name was being asked
                    progressForm_->RequestStop();
            }
            progressForm_->SpecLabel()->setText(
                tr("Executing the task \"%1\"").arg(QString::fromStdString(t.TaskName)));
            progressForm_->WritePathLabel()->setText(
                tr("Writing to %1").arg(QString::fromStdString(t.DestDir)));
            report = RunTask(t, abort, progress, hooks);
        } catch (const std::exception& e) {
            runFailures_.push_back({t.TaskName, e.what()});
            progressForm_->close();
            ShowMessageBox(this, QString::fromStdString(e.what()));
            return;
        }

        progressForm_->CheckTask(k);
        QApplication::processEvents();
        SleepMs(kPauseAfterTask);
        progressForm_->ShowProgress(1.0);
        if (k == n - 1 && t.Compress && t.UpdateOnly) {
            QApplication::processEvents();
            SleepMs(kPauseAfterIncremental);
        }
        if (!firstError && !report.Ok())
            firstError = report.Message();
        if (abort) {
            runFailures_.push_back({t.TaskName, tr("Backup operation aborted.").toStdString()});
            ShowMessageBox(this, tr("Backup operation aborted."));
            progressForm_->close();
            return;
        }
        if (firstError)
            runFailures_.push_back({t.TaskName, *firstError});
        tasks.AddToHistory(indices.Get(k));
        staleSince_.erase(t.TaskId);
        UpdateStaleMarks();
        progressForm_->NextStep();
    }
    progressForm_->close();
}

} // namespace korvel
