<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en_US" sourcelanguage="ru_RU">
<context>
    <name>AliasAssign</name>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Не удалось записать псевдоним.
<byte value="xd"/></source>
        <translation>Could not save the alias.
<byte value="xd"/></translation>
    </message>
    <message>
        <source>Внимание</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Выбрано несколько абонентов!</source>
        <translation>More than one contact is selected!</translation>
    </message>
    <message>
        <source>Не выбран абонент!</source>
        <translation>No contact selected!</translation>
    </message>
    <message>
        <source>Введите псевдоним</source>
        <translation>Enter an alias</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>DesktopNotifier</name>
    <message>
        <source>Входящие сообщения</source>
        <translation>Incoming messages</translation>
    </message>
</context>
<context>
    <name>HistoryModel</name>
    <message>
        <source>Дата</source>
        <translation>Date</translation>
    </message>
    <message>
        <source>От</source>
        <translation>From</translation>
    </message>
    <message>
        <source>Кому</source>
        <translation>To</translation>
    </message>
    <message>
        <source>Текст</source>
        <translation>Text</translation>
    </message>
</context>
<context>
    <name>IncomingRenderer</name>
    <message>
        <source>  [зашифровано; ключ не сверен]</source>
        <translation>  [encrypted; fingerprint not verified]</translation>
    </message>
    <message>
        <source>  [зашифровано; ключ сверен]</source>
        <translation>  [encrypted; fingerprint verified]</translation>
    </message>
    <message>
        <source>!!! НЕ ПОДТВЕРЖДЕНО: сообщение подписано именем компьютера, ключ которого известен, но этот ключ его не подтвердил. Отправителем может быть кто угодно. !!!</source>
        <translation>!!! NOT VERIFIED: this message carries the name of a computer whose key is known, but that key did not confirm it. Anyone could have sent it. !!!</translation>
    </message>
</context>
<context>
    <name>KeyQuestion</name>
    <message>
        <source>&amp;Да</source>
        <translation>&amp;Yes</translation>
    </message>
    <message>
        <source>&amp;Нет</source>
        <translation>&amp;No</translation>
    </message>
    <message>
        <source>&lt;p&gt;Компьютер %1%2 предъявил другой ключ.&lt;/p&gt;&lt;p&gt;Закреплённый отпечаток:&lt;/p&gt;%3&lt;p&gt;Новый отпечаток:&lt;/p&gt;%4&lt;p&gt;Пока новый ключ не принят, этому компьютеру ничего не отправляется по защищённому каналу, а сообщения с новым ключом от его имени не принимаются.&lt;/p&gt;&lt;p&gt;Принимайте новый ключ, только сверив его отпечаток с владельцем компьютера (например, по телефону).&lt;/p&gt;&lt;p&gt;Принять новый ключ?&lt;/p&gt;</source>
        <translation>&lt;p&gt;The computer %1%2 presented a different key.&lt;/p&gt;&lt;p&gt;Pinned fingerprint:&lt;/p&gt;%3&lt;p&gt;New fingerprint:&lt;/p&gt;%4&lt;p&gt;Until the new key is accepted, nothing is sent to this computer over the secure channel, and messages signed with the new key under its name are refused.&lt;/p&gt;&lt;p&gt;Accept the new key only after checking its fingerprint with the computer&apos;s owner (by phone, for example).&lt;/p&gt;&lt;p&gt;Accept the new key?&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Внимание</source>
        <translation>Warning</translation>
    </message>
</context>
<context>
    <name>MessageBoxes</name>
    <message>
        <source>Внимание</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>TAboutForm</name>
    <message>
        <source>Внимание</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>О программе...</source>
        <translation>About...</translation>
    </message>
    <message>
        <source>Версия: %1</source>
        <translation>Version: %1</translation>
    </message>
    <message>
        <source>Сайт программы</source>
        <translation>Program website</translation>
    </message>
    <message>
        <source>Электронная почта</source>
        <translation>Email</translation>
    </message>
    <message>
        <source>Загрузить новую версию с сайта программы</source>
        <translation>Download the new version from the program&apos;s website</translation>
    </message>
    <message>
        <source>Не удалось загрузить файл %1</source>
        <translation>Could not download %1</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Не удалось подключиться к серверу!</source>
        <translation>Could not connect to the server!</translation>
    </message>
    <message>
        <source>Ваша версия программы не нуждается в обновлении!</source>
        <translation>You already have the latest version!</translation>
    </message>
    <message>
        <source>Вы пользуетесь версией %1, на сайте найдена версия %2 <byte value="xd"/>
Хотите загрузить новую программу?</source>
        <translation>You are using version %1; version %2 is available on the website. <byte value="xd"/>
Do you want to download it?</translation>
    </message>
    <message>
        <source>Хотите прочитать информацию?</source>
        <translation>Would you like to read what is new?</translation>
    </message>
    <message>
        <source>Файл будет загружен в %1</source>
        <translation>The file will be downloaded to %1</translation>
    </message>
    <message>
        <source>Файл %1 уже существует. Перезаписать его?</source>
        <translation>The file %1 already exists. Overwrite it?</translation>
    </message>
    <message>
        <source>Загрузка файла %1</source>
        <translation>Downloading %1</translation>
    </message>
    <message>
        <source>Загрузка завершена!</source>
        <translation>Download complete!</translation>
    </message>
    <message>
        <source>Адрес страницы обновлений не задан: раздел [%1], ключ %2 в файле настроек.</source>
        <translation>No update page address is set: section [%1], key %2 in the settings file.</translation>
    </message>
    <message>
        <source>Новая версия сохранена в файле %1
Zavolin не запускает загруженные файлы: папка с ним открыта в файловом менеджере.</source>
        <translation>The new version was saved as %1
Zavolin does not run downloaded files: the folder holding it has been opened in your file manager.</translation>
    </message>
</context>
<context>
    <name>TAutoForm</name>
    <message>
        <source> Текст </source>
        <translation> Text </translation>
    </message>
    <message>
        <source>Добавить</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>ОК</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Автоответчик - Zavolin</source>
        <translation>Auto-answer - Zavolin</translation>
    </message>
    <message>
        <source>Текст автоответчика</source>
        <translation>Auto-answer text</translation>
    </message>
    <message>
        <source>Введите текст для добавления в список!</source>
        <translation>Type the text to add to the list!</translation>
    </message>
    <message>
        <source>Не удалось записать текст автоответчика.
<byte value="xd"/></source>
        <translation>Could not save the auto-answer text.
<byte value="xd"/></translation>
    </message>
    <message>
        <source>Не удалось записать список текстов автоответчика.
<byte value="xd"/></source>
        <translation>Could not save the list of auto-answer texts.
<byte value="xd"/></translation>
    </message>
    <message>
        <source>Внимание</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
</context>
<context>
    <name>TBlackListForm</name>
    <message>
        <source>Добавить</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Черный список - Zavolin</source>
        <translation>Blacklist - Zavolin</translation>
    </message>
    <message>
        <source>Черный список</source>
        <translation>Blacklist</translation>
    </message>
    <message>
        <source>Имя</source>
        <translation>Name</translation>
    </message>
    <message>
        <source>Имя для черного списка</source>
        <translation>Name to add to the blacklist</translation>
    </message>
    <message>
        <source>Введите имя компьютера!</source>
        <translation>Enter a computer name!</translation>
    </message>
    <message>
        <source>Не выбран компьютер для удаления из &quot;черного списка&quot;!</source>
        <translation>Select the computer to remove from the blacklist!</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Не удалось сохранить черный список в файл %1: %2</source>
        <translation>Could not save the blacklist to %1: %2</translation>
    </message>
    <message>
        <source>Внимание</source>
        <translation>Warning</translation>
    </message>
</context>
<context>
    <name>TChatForm</name>
    <message>
        <source>Войти в чат</source>
        <translation>Join the chat</translation>
    </message>
    <message>
        <source>Войти</source>
        <translation>Join</translation>
    </message>
    <message>
        <source>Выйти из чата</source>
        <translation>Leave the chat</translation>
    </message>
    <message>
        <source>Выйти</source>
        <translation>Leave</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Ник</source>
        <translation>Nickname</translation>
    </message>
    <message>
        <source>Ник:</source>
        <translation>Nickname:</translation>
    </message>
    <message>
        <source>Сообщения чата</source>
        <translation>Chat messages</translation>
    </message>
    <message>
        <source>Участники чата</source>
        <translation>Chat members</translation>
    </message>
    <message>
        <source>Выбор участника вставляет его ник в сообщение</source>
        <translation>Choosing a member puts their nickname into your message</translation>
    </message>
    <message>
        <source>Сообщение</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>Enter отправляет в чат</source>
        <translation>Enter sends to the chat</translation>
    </message>
    <message>
        <source>Отправить</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>Внимание</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Очистить содержимое?</source>
        <translation>Clear the chat window?</translation>
    </message>
    <message>
        <source>Укажите свой ник и повторите попытку!</source>
        <translation>Enter your nickname and try again!</translation>
    </message>
    <message>
        <source>Слишком длинный ник: сократите его и повторите попытку!</source>
        <translation>The nickname is too long: shorten it and try again!</translation>
    </message>
    <message>
        <source>Для отправки сообщения необходимо войти в чат!</source>
        <translation>Join the chat to send messages!</translation>
    </message>
    <message>
        <source>Введите текст сообщения!</source>
        <translation>Please type a message!</translation>
    </message>
    <message>
        <source>Сообщение слишком длинное: вместе с временем и ником это %1 байт, а в чат уходит не более %2. Сократите текст и отправьте снова.</source>
        <translation>The message is too long: with the time and your nickname it takes %1 bytes, and the chat carries at most %2. Shorten it and send again.</translation>
    </message>
</context>
<context>
    <name>THistoryForm</name>
    <message>
        <source>История сообщений</source>
        <translation>Message history</translation>
    </message>
    <message>
        <source>Поиск</source>
        <translation>Search</translation>
    </message>
    <message>
        <source>Контакт</source>
        <translation>Contact</translation>
    </message>
    <message>
        <source>Контакт:</source>
        <translation>Contact:</translation>
    </message>
    <message>
        <source>Все контакты</source>
        <translation>All contacts</translation>
    </message>
    <message>
        <source>Период с</source>
        <translation>From</translation>
    </message>
    <message>
        <source>Период</source>
        <translation>Period</translation>
    </message>
    <message>
        <source>Начало периода</source>
        <translation>Start of period</translation>
    </message>
    <message>
        <source>Конец периода</source>
        <translation>End of period</translation>
    </message>
    <message>
        <source>по</source>
        <translation>to</translation>
    </message>
    <message>
        <source>Записи истории</source>
        <translation>History entries</translation>
    </message>
    <message>
        <source>Текст записи</source>
        <translation>Entry text</translation>
    </message>
    <message>
        <source>Копировать</source>
        <translation>Copy</translation>
    </message>
    <message>
        <source>Показать в истории</source>
        <translation>Show in history</translation>
    </message>
    <message>
        <source>Состояние</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Индексация: %1%</source>
        <translation>Indexing: %1%</translation>
    </message>
    <message>
        <source>Поиск...</source>
        <translation>Searching...</translation>
    </message>
    <message>
        <source>Найдено: %1</source>
        <translation>Found: %1</translation>
    </message>
    <message>
        <source>Записей: %1</source>
        <translation>Entries: %1</translation>
    </message>
    <message>
        <source>, поиск...</source>
        <translation>, searching...</translation>
    </message>
</context>
<context>
    <name>TKeyForm</name>
    <message>
        <source>Ключ закреплён, и его отпечаток сверен с владельцем компьютера.</source>
        <translation>The key is pinned, and its fingerprint has been verified with the computer&apos;s owner.</translation>
    </message>
    <message>
        <source>Ключ закреплён при первом соединении, но его отпечаток с владельцем компьютера не сверен: если в тот раз ответил чужой компьютер, это осталось незамеченным.</source>
        <translation>The key was pinned at the first connection, but its fingerprint has not been verified with the computer&apos;s owner: if another computer answered that time, nobody would have noticed.</translation>
    </message>
    <message>
        <source>Несколько компьютеров называют себя этим именем и объявляют разные ключи. Пока вы не выберете один из них ниже, ключ не закреплён, и сообщения и файлы передаются без шифрования.</source>
        <translation>Several computers use this name and announce different keys. Until you choose one of them below, no key is pinned, and messages and files are sent unencrypted.</translation>
    </message>
    <message>
        <source>Ключ не закреплён: сообщения и файлы передаются без шифрования. Ключ закрепится сам, когда компьютер подтвердит его при соединении.</source>
        <translation>No key is pinned: messages and files are sent unencrypted. The key is pinned automatically once the computer proves it when connecting.</translation>
    </message>
    <message>
        <source>Ключи и отпечатки: %1 - Zavolin</source>
        <translation>Keys and fingerprints: %1 - Zavolin</translation>
    </message>
    <message>
        <source>Сверить ключ — значит сравнить отпечаток ключа %1 с отпечатком, который его владелец видит у себя как отпечаток своего компьютера (например, прочитав цифры по телефону); если они совпадают, отметьте «проверен».</source>
        <translation>To verify a key, compare the fingerprint of %1&apos;s key with the fingerprint its owner sees as their own computer&apos;s fingerprint (for example, by reading the digits over the phone); if they match, tick &quot;verified&quot;.</translation>
    </message>
    <message>
        <source>Отпечаток этого компьютера (%1):</source>
        <translation>This computer&apos;s fingerprint (%1):</translation>
    </message>
    <message>
        <source>Отпечаток ключа %1:</source>
        <translation>Fingerprint of %1&apos;s key:</translation>
    </message>
    <message>
        <source>проверен</source>
        <translation>verified</translation>
    </message>
    <message>
        <source>Отпечаток сверен с владельцем компьютера</source>
        <translation>The fingerprint has been verified with the computer&apos;s owner</translation>
    </message>
    <message>
        <source>Забыть ключ...</source>
        <translation>Forget key...</translation>
    </message>
    <message>
        <source>Забыть ключ</source>
        <translation>Forget key</translation>
    </message>
    <message>
        <source>Предложенные ключи</source>
        <translation>Offered keys</translation>
    </message>
    <message>
        <source>Адрес</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Подтверждение</source>
        <translation>Proof</translation>
    </message>
    <message>
        <source>Отпечаток</source>
        <translation>Fingerprint</translation>
    </message>
    <message>
        <source>Принять выбранный ключ...</source>
        <translation>Accept selected key...</translation>
    </message>
    <message>
        <source>Принять выбранный ключ</source>
        <translation>Accept selected key</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>ключ не закреплён</source>
        <translation>no key pinned</translation>
    </message>
    <message>
        <source>dd.MM.yyyy &apos;в&apos; HH:mm</source>
        <translation>MMM d, yyyy &apos;at&apos; h:mm AP</translation>
    </message>
    <message>
        <source>Ключ впервые получен %1; последний раз подтверждён с адреса %2.</source>
        <translation>Key first received on %1; last proven from address %2.</translation>
    </message>
    <message>
        <source>Ключ впервые получен %1.</source>
        <translation>Key first received on %1.</translation>
    </message>
    <message>
        <source>Ключ последний раз подтверждён с адреса %1.</source>
        <translation>Key last proven from address %1.</translation>
    </message>
    <message>
        <source>подтверждён соединением</source>
        <translation>proven by a connection</translation>
    </message>
    <message>
        <source>только объявлен</source>
        <translation>announced only</translation>
    </message>
    <message>
        <source>При соединении компьютер %1 предъявил другой ключ. Пока вы его не примете, ключ не меняется, и по защищённому каналу ему ничего не отправляется:</source>
        <translation>When connecting, the computer %1 presented a different key. Until you accept it, the pinned key stays, and nothing is sent to it over the secure channel:</translation>
    </message>
    <message>
        <source>Ключи, которые объявляют компьютеры с именем %1. Выбирайте ключ, только сверив его отпечаток с владельцем компьютера:</source>
        <translation>Keys announced by computers named %1. Choose a key only after verifying its fingerprint with the computer&apos;s owner:</translation>
    </message>
    <message>
        <source>&lt;p&gt;Закрепить за компьютером %1 ключ с адреса %2?&lt;/p&gt;&lt;p&gt;Его отпечаток:&lt;/p&gt;%3&lt;p&gt;Отвечайте «Да», только сверив этот отпечаток с владельцем компьютера (например, по телефону).&lt;/p&gt;</source>
        <translation>&lt;p&gt;Pin the key from address %2 to the computer %1?&lt;/p&gt;&lt;p&gt;Its fingerprint:&lt;/p&gt;%3&lt;p&gt;Answer &quot;Yes&quot; only after verifying this fingerprint with the computer&apos;s owner (by phone, for example).&lt;/p&gt;</translation>
    </message>
    <message>
        <source>Принять ключ</source>
        <translation>Accept key</translation>
    </message>
    <message>
        <source>&lt;p&gt;Забыть ключ компьютера %1?&lt;/p&gt;&lt;p&gt;Сообщения и файлы для него будут передаваться без шифрования, пока компьютер снова не подтвердит свой ключ при соединении; тогда ключ закрепится заново как несверенный.&lt;/p&gt;</source>
        <translation>&lt;p&gt;Forget the key of the computer %1?&lt;/p&gt;&lt;p&gt;Messages and files for it will be sent unencrypted until the computer proves its key again when connecting; the key is then pinned again as not verified.&lt;/p&gt;</translation>
    </message>
</context>
<context>
    <name>TNoteBookForm</name>
    <message>
        <source>Добавить</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Добавить абонента в список</source>
        <translation>Add the contact to the list</translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Удалить абонента из списка</source>
        <translation>Remove the contact from the list</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Записная книжка - Zavolin</source>
        <translation>Phone book - Zavolin</translation>
    </message>
    <message>
        <source>Абонент</source>
        <translation>Contact</translation>
    </message>
    <message>
        <source>Оператор</source>
        <translation>Operator</translation>
    </message>
    <message>
        <source>Номер телефона</source>
        <translation>Phone number</translation>
    </message>
    <message>
        <source>Абоненты</source>
        <translation>Contacts</translation>
    </message>
    <message>
        <source>ОСС: %1 Тел: %2</source>
        <translation>Operator: %1 Phone: %2</translation>
    </message>
    <message>
        <source>Введите название абонента!</source>
        <translation>Enter the contact&apos;s name!</translation>
    </message>
    <message>
        <source>Введите номер телефона абонента!</source>
        <translation>Enter the contact&apos;s phone number!</translation>
    </message>
    <message>
        <source>Выберите оператора сотовой связи абонента!</source>
        <translation>Choose the contact&apos;s mobile operator!</translation>
    </message>
    <message>
        <source>Не выбран абонент!</source>
        <translation>No contact selected!</translation>
    </message>
</context>
<context>
    <name>TTransfersForm</name>
    <message>
        <source>Передача файлов</source>
        <translation>File transfers</translation>
    </message>
    <message>
        <source>Список передач</source>
        <translation>Transfers</translation>
    </message>
    <message>
        <source>Отменить</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Прервать выбранную передачу</source>
        <translation>Stop the selected transfer</translation>
    </message>
    <message>
        <source>Повторить</source>
        <translation>Retry</translation>
    </message>
    <message>
        <source>Отправить файл ещё раз</source>
        <translation>Send the file again</translation>
    </message>
    <message>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Открыть файл</source>
        <translation>Open the file</translation>
    </message>
    <message>
        <source>Открыть папку</source>
        <translation>Open folder</translation>
    </message>
    <message>
        <source>Открыть папку, где лежит файл</source>
        <translation>Open the folder holding the file</translation>
    </message>
    <message>
        <source>Сохранить</source>
        <translation>Save</translation>
    </message>
    <message>
        <source>Сохранить полученный файл</source>
        <translation>Save the received file</translation>
    </message>
    <message>
        <source>Сохранить все в…</source>
        <translation>Save all to…</translation>
    </message>
    <message>
        <source>Сохранить в одну папку все ждущие файлы этого абонента</source>
        <translation>Save all waiting files from this contact into one folder</translation>
    </message>
    <message>
        <source>Отклонить</source>
        <translation>Decline</translation>
    </message>
    <message>
        <source>Отказаться от полученного файла</source>
        <translation>Decline the received file</translation>
    </message>
    <message>
        <source>Отклонить все</source>
        <translation>Decline all</translation>
    </message>
    <message>
        <source>Отказаться от всех ждущих файлов этого абонента</source>
        <translation>Decline all waiting files from this contact</translation>
    </message>
    <message>
        <source>Ошибка сохранения файла!
<byte value="xd"/>Не удалось записать %1: %2.</source>
        <translation>The file could not be saved!
<byte value="xd"/>Could not write %1: %2.</translation>
    </message>
    <message>
        <source>Ошибка сохранения файла!
<byte value="xd"/></source>
        <translation>The file could not be saved!
<byte value="xd"/></translation>
    </message>
</context>
<context>
    <name>TWordEditForm</name>
    <message>
        <source>Добавить</source>
        <translation>Add</translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Редактирование фраз - Zavolin</source>
        <translation>Edit phrases - Zavolin</translation>
    </message>
    <message>
        <source>Фразы</source>
        <translation>Phrases</translation>
    </message>
    <message>
        <source>Введите текст новой фразы:</source>
        <translation>Type the new phrase:</translation>
    </message>
</context>
<context>
    <name>Tfrm_ShowInfoUpdate</name>
    <message>
        <source>Сведения об обновлении</source>
        <translation>Update information</translation>
    </message>
</context>
<context>
    <name>TipForm</name>
    <message>
        <source>Добавить IP-адрес</source>
        <translation>Add IP address</translation>
    </message>
    <message>
        <source>Удалить IP-адрес</source>
        <translation>Remove IP address</translation>
    </message>
    <message>
        <source>Добавить в контактный лист</source>
        <translation>Add to the contact list</translation>
    </message>
    <message>
        <source>IP - адреса</source>
        <translation>IP addresses</translation>
    </message>
    <message>
        <source>Введите IP-адрес абонента</source>
        <translation>Enter the contact&apos;s IP address</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Внимание</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Такой IP-адрес уже существует!</source>
        <translation>This IP address is already in the list!</translation>
    </message>
    <message>
        <source>Не выбран IP_адрес!</source>
        <translation>No IP address selected!</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Не удалось сохранить список IP-адресов в файл %1: %2</source>
        <translation>Could not save the IP address list to %1: %2</translation>
    </message>
</context>
<context>
    <name>TrustMarks</name>
    <message>
        <source>зашифровано; ключ сверен</source>
        <translation>encrypted; fingerprint verified</translation>
    </message>
    <message>
        <source>зашифровано; ключ не сверен</source>
        <translation>encrypted; fingerprint not verified</translation>
    </message>
    <message>
        <source>без шифрования</source>
        <translation>unencrypted</translation>
    </message>
</context>
<context>
    <name>TsmsForm</name>
    <message>
        <source>Внимание</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Для отправки сообщения этому абоненту необходимо настроить соединение с почтовым сервером!</source>
        <translation>To send a message to this contact, set up the connection to the mail server first!</translation>
    </message>
    <message>
        <source>Ошибка соединения с сервером! Проверьте правильность настройки!</source>
        <translation>Could not connect to the server! Check the settings!</translation>
    </message>
    <message>
        <source>Ошибка отправки сообщения!</source>
        <translation>The message could not be sent!</translation>
    </message>
    <message>
        <source>Не установлены справочники операторов сотовой связи!
<byte value="xd"/>Загрузите справочники ОСС с сайта программы!</source>
        <translation>The mobile operator lists are not installed!
<byte value="xd"/>Download the operator lists from the program&apos;s website!</translation>
    </message>
    <message>
        <source>Оператор</source>
        <translation>Operator</translation>
    </message>
    <message>
        <source>Записная книжка</source>
        <translation>Phone book</translation>
    </message>
    <message>
        <source>Номер телефона</source>
        <translation>Phone number</translation>
    </message>
    <message>
        <source>Текст</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Настройка</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Отправить</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>Отправить SMS - сообщение</source>
        <translation>Send the SMS message</translation>
    </message>
    <message>
        <source>Сервер</source>
        <translation>Server</translation>
    </message>
    <message>
        <source>Порт</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Логин</source>
        <translation>Login</translation>
    </message>
    <message>
        <source>Пароль</source>
        <translation>Password</translation>
    </message>
    <message>
        <source>Свернуть</source>
        <translation>Hide</translation>
    </message>
    <message>
        <source>Текст SMS - сообщения</source>
        <translation>SMS message text</translation>
    </message>
    <message>
        <source>Не выбран оператор!</source>
        <translation>No operator selected!</translation>
    </message>
    <message>
        <source>Не введен номер телефона!</source>
        <translation>No phone number entered!</translation>
    </message>
    <message>
        <source>Введите текст сообщения!</source>
        <translation>Please type a message!</translation>
    </message>
</context>
</TS>
