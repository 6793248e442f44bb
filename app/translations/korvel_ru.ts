<?xml version='1.0' encoding='utf-8'?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>korvel::TMainForm</name>
    <message>
        <source>Please look at the program developer's website:</source>
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
        <source>Delete the task "%1"?</source>
        <translation>Удалить задачу "%1"?</translation>
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
        <source>Executing the task "%1"</source>
        <translation>Выполняется задача "%1"</translation>
    </message>
    <message>
        <source>Writing to %1</source>
        <translation>Запись в %1</translation>
    </message>
    <message>
        <source>Backup operation aborted.</source>
        <translation>Операция резервного копирования прервана.</translation>
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