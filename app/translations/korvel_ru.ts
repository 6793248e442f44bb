<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>korvel::Alerts</name>
    <message>
        <source>The scheduled backup &quot;%1&quot; failed</source>
        <translation>Запланированная задача &quot;%1&quot; не выполнена</translation>
    </message>
</context>
<context>
    <name>korvel::CreateIconAction</name>
    <message>
        <source>Desktop shortcut created.</source>
        <translation>Иконка рабочего стола создана.</translation>
    </message>
    <message>
        <source>Couldn&apos;t create the shortcut</source>
        <translation>Не удалось создать иконку.</translation>
    </message>
</context>
<context>
    <name>korvel::TAboutForm</name>
    <message>
        <source>About program</source>
        <translation>О программе</translation>
    </message>
    <message>
        <source>Version 1.2 build 164</source>
        <translation>Версия 1.2 билд 164</translation>
    </message>
    <message>
        <source>Programming: the Korvel developers</source>
        <translation>Программирование: разработчики Korvel</translation>
    </message>
    <message>
        <source>Close</source>
        <translation>Закрыть</translation>
    </message>
</context>
<context>
    <name>korvel::TChooseTasksForm</name>
    <message>
        <source>Choose required tasks</source>
        <translation>Выберите нужные задачи</translation>
    </message>
    <message>
        <source>Select multiple tasks</source>
        <translation>Выбор нескольких задач</translation>
    </message>
    <message>
        <source>Icon name:</source>
        <translation>Название иконки:</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Помощь</translation>
    </message>
    <message>
        <source>Ok</source>
        <translation>Ок</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
</context>
<context>
    <name>korvel::THelpWindow</name>
    <message>
        <source>The help file &quot;%1&quot; cannot be opened.</source>
        <translation>Не удаётся открыть файл справки &quot;%1&quot;.</translation>
    </message>
    <message>
        <source>The topic &quot;%1&quot; is not in the help file &quot;%2&quot;.</source>
        <translation>Раздела &quot;%1&quot; нет в файле справки &quot;%2&quot;.</translation>
    </message>
    <message>
        <source>Korvel Help</source>
        <translation>Справка Korvel</translation>
    </message>
    <message>
        <source>Contents</source>
        <translation>Содержание</translation>
    </message>
</context>
<context>
    <name>korvel::TMainForm</name>
    <message>
        <source>Please look at the program developer&apos;s website:</source>
        <translation>Пожалуйста загляните на сайт автора программы:</translation>
    </message>
    <message>
        <source>Available tasks:</source>
        <translation>Имеющиеся задачи:</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Добавить</translation>
    </message>
    <message>
        <source>Edit</source>
        <translation>Редактировать</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Удалить</translation>
    </message>
    <message>
        <source>Clone</source>
        <translation>Клонировать</translation>
    </message>
    <message>
        <source>Run</source>
        <translation>Запуск</translation>
    </message>
    <message>
        <source>Activate schedule</source>
        <translation>Активировать планировщик</translation>
    </message>
    <message>
        <source>Create desktop icon</source>
        <translation>Создать иконку</translation>
    </message>
    <message>
        <source>Save all</source>
        <translation>Сохранить всё</translation>
    </message>
    <message>
        <source>Show history</source>
        <translation>Показать историю</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Выход</translation>
    </message>
    <message>
        <source>Clear</source>
        <translation>Очистить</translation>
    </message>
    <message>
        <source>Help contents</source>
        <translation>Вызов справки</translation>
    </message>
    <message>
        <source>About program</source>
        <translation>О программе</translation>
    </message>
    <message>
        <source>File</source>
        <translation>Файл</translation>
    </message>
    <message>
        <source>Task</source>
        <translation>Задача</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Помощь</translation>
    </message>
    <message>
        <source>Delete the task &quot;%1&quot;?</source>
        <translation>Удалить задачу &quot;%1&quot;?</translation>
    </message>
    <message>
        <source>Clear all tasks?</source>
        <translation>Удалить все задачи?</translation>
    </message>
    <message>
        <source>The tasks list has been changed. Save the changes?</source>
        <translation>Список задач был изменён. Сохранить изменения?</translation>
    </message>
    <message>
        <source>Closing the program stops the backup that is running. The program will close when the backup has stopped.</source>
        <translation>Закрытие программы останавливает выполняемое резервное копирование. Программа закроется, когда копирование остановится.</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Executing the task &quot;%1&quot;</source>
        <translation>Выполняется задача &quot;%1&quot;</translation>
    </message>
    <message>
        <source>Writing to %1</source>
        <translation>Запись в %1</translation>
    </message>
    <message>
        <source>Backup operation aborted.</source>
        <translation>Операция резервного копирования прервана.</translation>
    </message>
    <message>
        <source>This scheduled task has had no recorded run since %1.</source>
        <translation>У этой задачи по расписанию нет записанных запусков с %1.</translation>
    </message>
    <message>
        <source>Task &quot;%1&quot; missed its scheduled run of %2. Run it now?</source>
        <translation>Задача &quot;%1&quot; пропустила запуск по расписанию %2. Выполнить её сейчас?</translation>
    </message>
</context>
<context>
    <name>korvel::TPleaseWaitForm</name>
    <message>
        <source>Please wait...</source>
        <translation>Ждите...</translation>
    </message>
</context>
</TS>
