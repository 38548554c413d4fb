<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="ru">
<context>
    <name>DeleteConfirmation</name>
    <message>
        <source>Удалить?</source>
        <translation>Delete?</translation>
    </message>
</context>
<context>
    <name>PlaybackEngine</name>
    <message>
        <source>Окно «%1» не найдено.</source>
        <translation>Window «%1» not found.</translation>
    </message>
</context>
<context>
    <name>TFAbout</name>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>© Разработчики Tapsmith. Все права защищены.</source>
        <translation>© Tapsmith developers. All rights reserved.</translation>
    </message>
</context>
<context>
    <name>TFAddEdit</name>
    <message>
        <source>Редактировать</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>Действие</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>Задержка в мс</source>
        <translation>Delay in ms</translation>
    </message>
    <message>
        <source>п1</source>
        <translation>p1</translation>
    </message>
    <message>
        <source>п2</source>
        <translation>p2</translation>
    </message>
    <message>
        <source>ОК</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Координата Х</source>
        <translation>X coordinate</translation>
    </message>
    <message>
        <source>Координата Y</source>
        <translation>Y coordinate</translation>
    </message>
    <message>
        <source>Код клавиши</source>
        <translation>Key code</translation>
    </message>
    <message>
        <source>Код клавиши2</source>
        <translation>Key code 2</translation>
    </message>
</context>
<context>
    <name>TFmain</name>
    <message>
        <source>Форма</source>
        <translation>Form</translation>
    </message>
    <message>
        <source>Объект</source>
        <translation>Object</translation>
    </message>
    <message>
        <source>id</source>
        <translation>id</translation>
    </message>
    <message>
        <source>handle</source>
        <translation>handle</translation>
    </message>
    <message>
        <source>Действие</source>
        <translation>Action</translation>
    </message>
    <message>
        <source>Параметры</source>
        <translation>Parameters</translation>
    </message>
    <message>
        <source>X,Y local</source>
        <translation>X,Y local</translation>
    </message>
    <message>
        <source>dd.MM.yyyy HH:mm</source>
        <translation>yyyy-MM-dd HH:mm</translation>
    </message>
    <message>
        <source>Найден несохранённый скрипт от %1 (%2 строк). Восстановить?</source>
        <translation>Found an unsaved script from %1 (%2 rows). Restore it?</translation>
    </message>
    <message>
        <source>Невозможно включить запись</source>
        <translation>Recording cannot be switched on</translation>
    </message>
    <message>
        <source>Интервал повторов задан не верно. Второй параметр не может быть меньше первого.</source>
        <translation>The repeat interval is set incorrectly. The second value cannot be less than the first.</translation>
    </message>
    <message>
        <source>Скрипт выполнен.</source>
        <translation>Script completed.</translation>
    </message>
    <message>
        <source>Прервано.</source>
        <translation>Interrupted.</translation>
    </message>
    <message>
        <source>Отменить</source>
        <translation>Undo</translation>
    </message>
    <message>
        <source>Повторить</source>
        <translation>Redo</translation>
    </message>
    <message>
        <source>Переместить вниз</source>
        <translation>Move down</translation>
    </message>
    <message>
        <source>Переместить вверх</source>
        <translation>Move up</translation>
    </message>
    <message>
        <source>Изменить</source>
        <translation>Edit</translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Delete</translation>
    </message>
    <message>
        <source>Отсутствует доступ к интернет или программа заблокирована фаерволом. Пойск новой версии будет не доступен. </source>
        <translation>No access to the Internet, or the program is blocked by a firewall. The search for a new version will not be available. </translation>
    </message>
    <message>
        <source>Скрипт</source>
        <translation>Script</translation>
    </message>
    <message>
        <source>Доступна новая версия!</source>
        <translation>New version available!</translation>
    </message>
    <message>
        <source>Запись</source>
        <translation>Record</translation>
    </message>
    <message>
        <source>Воспроизвести</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>Стоп</source>
        <translation>Stop</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Быстрее</source>
        <translation>Faster</translation>
    </message>
    <message>
        <source>Медленней</source>
        <translation>Slower</translation>
    </message>
    <message>
        <source>Повторов</source>
        <translation>Repeats</translation>
    </message>
    <message>
        <source>Интервал повторов (сек)</source>
        <translation>Repeat interval (s)</translation>
    </message>
    <message>
        <source>Фиксированный</source>
        <translation>Fixed</translation>
    </message>
    <message>
        <source>Случайный</source>
        <translation>Random</translation>
    </message>
    <message>
        <source>Переместить</source>
        <translation>Move</translation>
    </message>
    <message>
        <source>О программе</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Привязка к окнам</source>
        <translation>Follow windows</translation>
    </message>
    <message>
        <source>Колесо мыши</source>
        <translation>Mouse wheel</translation>
    </message>
    <message>
        <source>Воспроизведение: строка %1 из %2, повтор %3 из %4</source>
        <translation>Playing: row %1 of %2, repeat %3 of %4</translation>
    </message>
    <message>
        <source>Запись: строк записано %1</source>
        <translation>Recording: %1 rows so far</translation>
    </message>
    <message>
        <source>Запись (%1)</source>
        <translation>Record (%1)</translation>
    </message>
    <message>
        <source>Стоп (%1)</source>
        <translation>Stop (%1)</translation>
    </message>
    <message>
        <source>Вопроизвести (%1)</source>
        <translation>Play (%1)</translation>
    </message>
    <message>
        <source>Окно (%1)</source>
        <translation>Window (%1)</translation>
    </message>
    <message>
        <source>Вопроизвести</source>
        <translation>Play</translation>
    </message>
    <message>
        <source>Окно</source>
        <translation>Window</translation>
    </message>
    <message>
        <source>%1 - строка %2</source>
        <translation>%1 - row %2</translation>
    </message>
</context>
</TS>
