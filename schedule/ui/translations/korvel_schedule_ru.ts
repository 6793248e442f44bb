<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>korvel::ActivateSchedule</name>
    <message>
        <source>Task &quot;%1&quot; does not have schedule options.</source>
        <translation>У задачи &quot;%1&quot; не задан планировщик.</translation>
    </message>
    <message>
        <source>Could not schedule the task &quot;%1&quot;: the cron scheduler is not installed (the crontab command was not found).</source>
        <translation>Не получилось запустить планировщик для задачи &quot;%1&quot;: планировщик cron не установлен (команда crontab не найдена).</translation>
    </message>
    <message>
        <source>Could not schedule the task &quot;%1&quot;.</source>
        <translation>Не получилось запустмть планировкщик для задачи &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>Task &quot;%1&quot; scheduled successfully.</source>
        <translation>Планирувщик задачи &quot;%1&quot; успешно запущен.</translation>
    </message>
    <message>
        <source>Task &quot;%1&quot; scheduled, but the cron daemon is not running: the schedule will fire once cron runs.</source>
        <translation>Планировщик задачи &quot;%1&quot; добавлен, но служба cron не запущена: задача будет запускаться, когда cron заработает.</translation>
    </message>
</context>
<context>
    <name>korvel::JobDescription</name>
    <message>
        <source>every day</source>
        <translation>каждый день</translation>
    </message>
    <message>
        <source>, etc</source>
        <translation>, итд</translation>
    </message>
    <message>
        <source>on day %1 of every month</source>
        <translation>в день %1 каждого месяца</translation>
    </message>
    <message>
        <source>every %1</source>
        <translation>каждый %1</translation>
    </message>
</context>
<context>
    <name>korvel::TTasksHistoryForm</name>
    <message>
        <source>Tasks history</source>
        <translation>История запуска задач</translation>
    </message>
    <message>
        <source>Executed tasks:</source>
        <translation>Выполненные задачи:</translation>
    </message>
    <message>
        <source>Activated schedules:</source>
        <translation>Активированные планировщики:</translation>
    </message>
    <message>
        <source>Task name</source>
        <translation>Имя задачи</translation>
    </message>
    <message>
        <source>Run date / time</source>
        <translation>Дата / время запуска</translation>
    </message>
    <message>
        <source>Run time</source>
        <translation>Время запуска</translation>
    </message>
    <message>
        <source>Clear schedules</source>
        <translation>Очистить планировщики</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
</context>
</TS>
