#include "schedule/ui/job_description.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

namespace korvel {

namespace {

QString Tr(const char* text) {
    return QCoreApplication::translate("korvel::JobDescription", text);
}

} // namespace

QString JobDescription(const TAtInfo& info) {
    if (info.DaysOfMonth == 0 && info.DaysOfWeek == 0x7F)
        return Tr(QT_TRANSLATE_NOOP("korvel::JobDescription", "every day"));
    if (info.DaysOfMonth != 0) {
        int day = 0;
        while (!(info.DaysOfMonth & (1u << day)))
            ++day;
        QString n = QString::number(day + 1);
        if (info.DaysOfMonth & ~((2u << day) - 1))
            n += Tr(QT_TRANSLATE_NOOP("korvel::JobDescription", ", etc"));
        return Tr(QT_TRANSLATE_NOOP("korvel::JobDescription", "on day %1 of every month")).arg(n);
    }
    QStringList days;
    const QLocale locale = QLocale::system();
    for (int i = 0; i < 7; ++i) {
        if (info.DaysOfWeek & (1u << i))
            days << locale.dayName(i + 1, QLocale::ShortFormat);
    }
    return Tr(QT_TRANSLATE_NOOP("korvel::JobDescription", "every %1")).arg(days.join(QStringLiteral(", ")));
}

QString JobRunTime(const TAtInfo& info) {
    const std::uint32_t minutes = info.JobTime / 60000;
    return QString::asprintf("%02u:%02u ", minutes / 60 % 24, minutes % 60) + JobDescription(info);
}

QString HistoryRunTime(TDateTime value) {
    const TDateParts p = DecodeDateTime(value);
    return QString::asprintf("%02d/%02d/%04d    %02d:%02d", p.Month, p.Day, p.Year, p.Hour, p.Minute);
}

} // namespace korvel
