#include "schedule/ui/activate_schedule.h"

#include <QCoreApplication>
#include <QString>

#include "schedule/schedulesdecl_u.h"

namespace korvel {

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("korvel::ActivateSchedule", text);
}

} // namespace

void ActivateSchedule(TTasksList& tasks, int taskIndex, const std::string& programPath,
                      const MessageBoxFn& messageBox) {
    const TTask& task = tasks.Item(taskIndex);
    const QString name = QString::fromStdString(task.TaskName);
    auto show = [&](const QString& text) {
        if (messageBox)
            messageBox(text.toStdString(), "Korvel", MsgButtons::Ok);
    };
    if (!task.UseSchedule) {
        show(Tr(QT_TRANSLATE_NOOP("korvel::ActivateSchedule", "Task \"%1\" does not have schedule options."))
                 .arg(name));
        return;
    }
    const TScheduleResult result = ScheduleTask(task, programPath);
    if (result.Status == TJobStatus::NoScheduler) {
        show(Tr(QT_TRANSLATE_NOOP("korvel::ActivateSchedule",
                                  "Could not schedule the task \"%1\": the cron scheduler is not installed "
                                  "(the crontab command was not found)."))
                 .arg(name));
        return;
    }
    if (!result.Success()) {
        show(Tr(QT_TRANSLATE_NOOP("korvel::ActivateSchedule", "Could not schedule the task \"%1\"."))
                 .arg(name));
        return;
    }
    // A job that nothing will start must not look like a working schedule.
    if (result.SchedulerRunning)
        show(Tr(QT_TRANSLATE_NOOP("korvel::ActivateSchedule", "Task \"%1\" scheduled successfully."))
                 .arg(name));
    else
        show(Tr(QT_TRANSLATE_NOOP(
                    "korvel::ActivateSchedule",
                    "Task \"%1\" scheduled, but the cron daemon is not running: the schedule will fire once "
                    "cron runs."))
                 .arg(name));
    tasks.Schedules.AddSchedule(task.TaskName, result.JobId);
    tasks.HistoryModified = true;
}

} // namespace korvel
