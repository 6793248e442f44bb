#pragma once
// A scheduled run that fails must not go unnoticed: besides standard error (which
// cron mails), the desktop shows a notification when a session bus is reachable.

#include <QString>

namespace korvel {

// Sends a notification through the freedesktop notification service on the session
// bus. False, after a short wait at most, when there is no bus or no service.
bool SendDesktopNotification(const QString& summary, const QString& body);

// Prints that the scheduled run of `taskName` failed with `error` and notifies the desktop.
void AlertFailedScheduledRun(const QString& taskName, const QString& error);

} // namespace korvel
