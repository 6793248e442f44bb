<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru_RU">
<context>
    <name>korvel::TFileFiltersForm</name>
    <message>
        <source>File filters</source>
        <translation>Фильтры файлов</translation>
    </message>
    <message>
        <source>Filter selection mode</source>
        <translation>Режим выбора фильтра</translation>
    </message>
    <message>
        <source>Show extensions</source>
        <translation>Отображать расширения</translation>
    </message>
    <message>
        <source>Show file names</source>
        <translation>Отображать имена файлов</translation>
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
    <name>korvel::TTaskEdForm</name>
    <message>
        <source>The number of archive files to keep cannot be negative: %1.</source>
        <translation>Количество хранимых файлов архива не может быть отрицательным: %1.</translation>
    </message>
    <message>
        <source>Day %1 is outside the range of days of the month (1-31).</source>
        <translation>День %1 вне диапазона дней месяца (1-31).</translation>
    </message>
    <message>
        <source>A task can have at most %1 source directories.</source>
        <translation>У задачи может быть не более %1 сохраняемых папок.</translation>
    </message>
    <message>
        <source>Choose the source directory</source>
        <translation>Выберите сохраняемую папку</translation>
    </message>
    <message>
        <source>The directory %1 have been already added to the list.</source>
        <translation>Папка %1 уже добавлена в список.</translation>
    </message>
    <message>
        <source>No Outlook Express message store was found on this computer.</source>
        <translation>Хранилище сообщений Outlook Express на этом компьютере не найдено.</translation>
    </message>
    <message>
        <source>Task properties</source>
        <translation>Параметры задачи</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Помощь</translation>
    </message>
    <message>
        <source>Previous</source>
        <translation>Назад</translation>
    </message>
    <message>
        <source>Next</source>
        <translation>Дальше</translation>
    </message>
    <message>
        <source>Apply</source>
        <translation>Применить</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Имя</translation>
    </message>
    <message>
        <source>Source</source>
        <translation>Источник</translation>
    </message>
    <message>
        <source>Destination</source>
        <translation>Адресат</translation>
    </message>
    <message>
        <source>Compression</source>
        <translation>Архивация</translation>
    </message>
    <message>
        <source>Shedule</source>
        <translation>Планировщик</translation>
    </message>
    <message>
        <source>Task name</source>
        <translation>Имя задачи</translation>
    </message>
    <message>
        <source>Source directories:</source>
        <translation>Сохраняемые папки:</translation>
    </message>
    <message>
        <source>Backup with subdirectories</source>
        <translation>Бэкапить вместе с подкаталогами</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Добавить</translation>
    </message>
    <message>
        <source>Delete</source>
        <translation>Удалить</translation>
    </message>
    <message>
        <source>Enter individual filters for each source directory</source>
        <translation>Задать индивидуальный фильтр для каждой сохранённой папки</translation>
    </message>
    <message>
        <source>Exclude some subdirectories from the backup:</source>
        <translation>Исключить некоторые подкаталоги из бэкапа:</translation>
    </message>
    <message>
        <source>Apply template...</source>
        <translation>Применить шаблон</translation>
    </message>
    <message>
        <source>Backup Outlook Express messages</source>
        <translation>Бэкапить сообщения Outlook Express</translation>
    </message>
    <message>
        <source>Destination directory:</source>
        <translation>Папка назначения:</translation>
    </message>
    <message>
        <source>If this directory doesn&apos;t exist, it will be created by the program during the backup.</source>
        <translation>Если эта папка не существует, она будет создана программой во время бэкапа.</translation>
    </message>
    <message>
        <source>Browse</source>
        <translation>Выбор</translation>
    </message>
    <message>
        <source>Show a message if the program was unable to perform the backup.</source>
        <translation>Отобразить сообщение если программа не сможет выполнить бэкап.</translation>
    </message>
    <message>
        <source>Compression type</source>
        <translation>Тип архивации</translation>
    </message>
    <message>
        <source>No compression (copy files)</source>
        <translation>Без архивации (копировать)</translation>
    </message>
    <message>
        <source>Compress to zip file</source>
        <translation>Сохранить в zip-файл</translation>
    </message>
    <message>
        <source>Compress to SFX archive</source>
        <translation>Сохранить в SFX-архив</translation>
    </message>
    <message>
        <source>Incremental backup (skip files which have been already added</source>
        <translation>Добавочный бэкап (пропускать файлы которые уже есть</translation>
    </message>
    <message>
        <source> to the archive and have same dates).</source>
        <translation>в архиве и имеют те же даты).</translation>
    </message>
    <message>
        <source>Note that incremental archiving do not work well (see Help).</source>
        <translation>Добавочный бэкап не очень хорошо работает (см. Помощь).</translation>
    </message>
    <message>
        <source>Archive file name:</source>
        <translation>Имя файла архива:</translation>
    </message>
    <message>
        <source>Allowed variables: %yy, %yyyy (year); %mm(month); %dd (day); %n (backup number).</source>
        <translation>Возможные переменные: %yy, %yyyy (год); %mm(месяц); %dd (день); %n (номер бэкапа).</translation>
    </message>
    <message>
        <source>Ask the user to modify the archive file name on each backup.</source>
        <translation>Вводить имя файла архива при каждом бэкапе.</translation>
    </message>
    <message>
        <source>Delete old archive files (this option works if the archive file name has variables).</source>
        <translation>Удалять старые файлы архива (эта опция работает если имя архива содержит переменные).</translation>
    </message>
    <message>
        <source>Maximum number of files in destination directory:</source>
        <translation>Макс. количество файлов в папке назначения:</translation>
    </message>
    <message>
        <source>Compression level:</source>
        <translation>Уровень архивации:</translation>
    </message>
    <message>
        <source>No compression (fastest)</source>
        <translation>Без архивации (быстро)</translation>
    </message>
    <message>
        <source>Level %1</source>
        <translation>Уровень %1</translation>
    </message>
    <message>
        <source>Level 9 (slowest)</source>
        <translation>Уровень 9 (медленно)</translation>
    </message>
    <message>
        <source>Protect with password:</source>
        <translation>Защитить паролем:</translation>
    </message>
    <message>
        <source>Schedule options</source>
        <translation>Настройки планировщика</translation>
    </message>
    <message>
        <source>Do not use schedule (manually only)</source>
        <translation>Запускать бэкап только вручную</translation>
    </message>
    <message>
        <source>Use schedule</source>
        <translation>Использовать планировщик</translation>
    </message>
    <message>
        <source>Perform the task</source>
        <translation>Выполнять задачу</translation>
    </message>
    <message>
        <source>Every day</source>
        <translation>Каждый день</translation>
    </message>
    <message>
        <source>Weekly</source>
        <translation>В дни недели</translation>
    </message>
    <message>
        <source>Monthly</source>
        <translation>В дни месяца</translation>
    </message>
    <message>
        <source>Start time:</source>
        <translation>Время запуска:</translation>
    </message>
    <message>
        <source>Days of week:</source>
        <translation>Дни недели:</translation>
    </message>
    <message>
        <source>Monday</source>
        <translation>Понедельник</translation>
    </message>
    <message>
        <source>Tuesday</source>
        <translation>Вторник</translation>
    </message>
    <message>
        <source>Wednesday</source>
        <translation>Среда</translation>
    </message>
    <message>
        <source>Thursday</source>
        <translation>Четверг</translation>
    </message>
    <message>
        <source>Friday</source>
        <translation>Пятница</translation>
    </message>
    <message>
        <source>Saturday</source>
        <translation>Суббота</translation>
    </message>
    <message>
        <source>Sunday</source>
        <translation>Воскресенье</translation>
    </message>
    <message>
        <source>Days of month:</source>
        <translation>Дни месяца:</translation>
    </message>
    <message>
        <source>Example: 1,11,21</source>
        <translation>Пример: 1,11,21</translation>
    </message>
    <message>
        <source>To apply this schedule, use the &quot;Activate schedule&quot; button on the main window.</source>
        <translation>Чтобы запустить этот график, нажмите &quot;активировать планировщик&quot; в главном окне.</translation>
    </message>
    <message>
        <source>Note that the schedule can be activated under administrative account only.</source>
        <translation>Планировщик может быть активирован только под административной учётной записью.</translation>
    </message>
    <message>
        <source>Browse in source directory</source>
        <translation>Просканировать в сохр. папке</translation>
    </message>
    <message>
        <source>Browse in source directories</source>
        <translation>Просканировать в сохр. папках</translation>
    </message>
    <message>
        <source>Include filter:</source>
        <translation>Фильтр включённых файлов:</translation>
    </message>
    <message>
        <source>Exclude filter:</source>
        <translation>Фильтр исключённых файлов:</translation>
    </message>
    <message>
        <source>Include filter for source directory </source>
        <translation>Фильтр включённых файлов для сохр. папки </translation>
    </message>
    <message>
        <source>Exclude filter for source directory </source>
        <translation>Фильтр исключённых файлов для сохр. папки </translation>
    </message>
</context>
</TS>
