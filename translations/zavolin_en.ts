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
    <name>FailureReason</name>
    <message>
        <source>компьютер отказал в соединении (программа на нём не запущена или порт закрыт)</source>
        <translation>the computer refused the connection (Zavolin is not running on it or the port is closed)</translation>
    </message>
    <message>
        <source>компьютер не ответил за отведённое время</source>
        <translation>the computer did not answer in time</translation>
    </message>
    <message>
        <source>нет пути к компьютеру: он выключен или недоступен из этой сети</source>
        <translation>no route to the computer: it is switched off or cannot be reached from this network</translation>
    </message>
    <message>
        <source>компьютер с таким именем не найден в сети</source>
        <translation>no computer with this name was found on the network</translation>
    </message>
    <message>
        <source>компьютер разорвал соединение</source>
        <translation>the computer closed the connection</translation>
    </message>
    <message>
        <source>система не разрешила соединение</source>
        <translation>the system did not allow the connection</translation>
    </message>
    <message>
        <source>не удалось установить защищённое соединение</source>
        <translation>could not set up a secure connection</translation>
    </message>
    <message>
        <source>сеть недоступна</source>
        <translation>the network is unreachable</translation>
    </message>
    <message>
        <source>нет пути к сети компьютера</source>
        <translation>no route to the computer&apos;s network</translation>
    </message>
    <message>
        <source>соединение сброшено сетью</source>
        <translation>the network reset the connection</translation>
    </message>
    <message>
        <source>соединение прервано</source>
        <translation>the connection was aborted</translation>
    </message>
    <message>
        <source>не хватает памяти для соединения</source>
        <translation>not enough memory for the connection</translation>
    </message>
    <message>
        <source>компьютер выключен</source>
        <translation>the computer is switched off</translation>
    </message>
    <message>
        <source>не удалось соединиться с компьютером</source>
        <translation>could not connect to the computer</translation>
    </message>
    <message>
        <source>соединение отменено</source>
        <translation>the connection was cancelled</translation>
    </message>
    <message>
        <source>предыдущая отправка ещё не закончена</source>
        <translation>the previous send has not finished yet</translation>
    </message>
    <message>
        <source>компьютер перестал принимать данные</source>
        <translation>the computer stopped accepting data</translation>
    </message>
    <message>
        <source>получатель закрыл соединение, не подтвердив приём</source>
        <translation>the recipient closed the connection without confirming receipt</translation>
    </message>
    <message>
        <source>файл стал короче, пока отправлялся</source>
        <translation>the file got shorter while it was being sent</translation>
    </message>
    <message>
        <source>файл не читается</source>
        <translation>the file cannot be read</translation>
    </message>
    <message>
        <source>файл больше 2 ГБ</source>
        <translation>the file is larger than 2 GB</translation>
    </message>
    <message>
        <source>путь к файлу длиннее 9999 байт</source>
        <translation>the file path is longer than 9999 bytes</translation>
    </message>
    <message>
        <source>текст длиннее 9999 байт</source>
        <translation>the text is longer than 9999 bytes</translation>
    </message>
    <message>
        <source>файл не найден</source>
        <translation>file not found</translation>
    </message>
    <message>
        <source>нет доступа к файлу</source>
        <translation>access to the file denied</translation>
    </message>
    <message>
        <source>нет места на диске</source>
        <translation>no space left on the disk</translation>
    </message>
    <message>
        <source>файлы папки изменились во время упаковки</source>
        <translation>the folder&apos;s files changed while it was being packed</translation>
    </message>
    <message>
        <source>ошибка передачи (%1)</source>
        <translation>transfer error (%1)</translation>
    </message>
    <message>
        <source>получен не полностью</source>
        <translation>not received completely</translation>
    </message>
    <message>
        <source>не удалось записать</source>
        <translation>could not be written</translation>
    </message>
    <message>
        <source>недопустимое имя</source>
        <translation>file name not allowed</translation>
    </message>
    <message>
        <source>не указан каталог</source>
        <translation>no folder chosen</translation>
    </message>
    <message>
        <source>нет каталога</source>
        <translation>the folder does not exist</translation>
    </message>
    <message>
        <source>это не обычный файл</source>
        <translation>not a regular file</translation>
    </message>
    <message>
        <source>путь длиннее 9999 байт</source>
        <translation>the path is longer than 9999 bytes</translation>
    </message>
    <message>
        <source>папка больше 2 ГБ, а передать можно только архив меньше 2 ГБ</source>
        <translation>the folder is larger than 2 GB, and only an archive under 2 GB can be sent</translation>
    </message>
</context>
<context>
    <name>FileReceiver</name>
    <message>
        <source>Ошибка сохранения файла!</source>
        <translation>The file could not be saved!</translation>
    </message>
    <message>
        <source>Файл от %1 не сохранен: недопустимое имя файла «%2».</source>
        <translation>The file from %1 was not saved: the file name &quot;%2&quot; is not allowed.</translation>
    </message>
    <message>
        <source>Файл %1 от %2 не принят: %3.</source>
        <translation>The file %1 from %2 was not accepted: %3.</translation>
    </message>
    <message>
        <source>нет каталога %1</source>
        <translation>the folder %1 does not exist</translation>
    </message>
    <message>
        <source>файл</source>
        <translation>file</translation>
    </message>
    <message>
        <source>Файл %1 от %2 получен не полностью (%3 из %4 байт) и не сохранен.</source>
        <translation>The file %1 from %2 was not received completely (%3 of %4 bytes) and was not saved.</translation>
    </message>
    <message>
        <source>нет места на диске в каталоге %1</source>
        <translation>no space left on the disk of the folder %1</translation>
    </message>
    <message>
        <source>не удалось записать в каталог %1 (%2)</source>
        <translation>could not write into the folder %1 (%2)</translation>
    </message>
    <message>
        <source>Не указан каталог сохранения полученных файлов!</source>
        <translation>No folder has been chosen for received files!</translation>
    </message>
    <message>
        <source>Нет каталога %1.</source>
        <translation>The folder %1 does not exist.</translation>
    </message>
    <message>
        <source>Не удалось записать %1: %2.</source>
        <translation>Could not write %1: %2.</translation>
    </message>
    <message>
        <source>Получен файл %1 !</source>
        <translation>File %1 received!</translation>
    </message>
    <message>
        <source>Файл сохранен в каталоге %1.</source>
        <translation>The file was saved in the folder %1.</translation>
    </message>
    <message>
        <source>Вероятно, файл с таким именем уже существует!</source>
        <translation>A file with this name probably exists already!</translation>
    </message>
</context>
<context>
    <name>FileSender</name>
    <message>
        <source>Это не обычный файл.</source>
        <translation>This is not a regular file.</translation>
    </message>
</context>
<context>
    <name>FilesController</name>
    <message>
        <source>Внимание</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Все файлы *.* (*)</source>
        <translation>All files *.* (*)</translation>
    </message>
    <message>
        <source>Файл «%1» для %2 не отправлен по защищённому каналу: %3.
Отправить его открыто, без шифрования, один раз?</source>
        <translation>The file &quot;%1&quot; for %2 was not sent over the secure channel: %3.
Send it openly, unencrypted, this once?</translation>
    </message>
    <message>
        <source>Не выбран абонент!</source>
        <translation>No contact selected!</translation>
    </message>
    <message>
        <source>Выберано более одного абонента!</source>
        <translation>More than one contact is selected!</translation>
    </message>
    <message>
        <source>Не удается открыть файл &quot;%1&quot;. %2</source>
        <translation>Cannot open the file &quot;%1&quot;. %2</translation>
    </message>
    <message>
        <source>Файл не отправлен: путь к нему длиннее 9999 байт, а получатель примет не больше.</source>
        <translation>The file was not sent: its path is longer than 9999 bytes, and the recipient accepts no more.</translation>
    </message>
    <message>
        <source>Файл не отправлен: его размер %1 байт, а передать можно только файл меньше 2 ГБ (не больше 2147483647 байт).</source>
        <translation>The file was not sent: it is %1 bytes, and only a file smaller than 2 GB (at most 2147483647 bytes) can be sent.</translation>
    </message>
    <message>
        <source>Файл отправлен!</source>
        <translation>File sent!</translation>
    </message>
    <message>
        <source>Ошибка отправки файла!</source>
        <translation>The file could not be sent!</translation>
    </message>
</context>
<context>
    <name>FontColorDialog</name>
    <message>
        <source>Черный</source>
        <translation>Black</translation>
    </message>
    <message>
        <source>Бордовый</source>
        <translation>Maroon</translation>
    </message>
    <message>
        <source>Зеленый</source>
        <translation>Green</translation>
    </message>
    <message>
        <source>Оливковый</source>
        <translation>Olive</translation>
    </message>
    <message>
        <source>Темно-синий</source>
        <translation>Navy</translation>
    </message>
    <message>
        <source>Фиолетовый</source>
        <translation>Purple</translation>
    </message>
    <message>
        <source>Сине-зеленый</source>
        <translation>Teal</translation>
    </message>
    <message>
        <source>Серый</source>
        <translation>Gray</translation>
    </message>
    <message>
        <source>Серебристый</source>
        <translation>Silver</translation>
    </message>
    <message>
        <source>Красный</source>
        <translation>Red</translation>
    </message>
    <message>
        <source>Лайм</source>
        <translation>Lime</translation>
    </message>
    <message>
        <source>Желтый</source>
        <translation>Yellow</translation>
    </message>
    <message>
        <source>Синий</source>
        <translation>Blue</translation>
    </message>
    <message>
        <source>Фуксия</source>
        <translation>Fuchsia</translation>
    </message>
    <message>
        <source>Морская волна</source>
        <translation>Aqua</translation>
    </message>
    <message>
        <source>Белый</source>
        <translation>White</translation>
    </message>
    <message>
        <source>Шрифт</source>
        <translation>Font</translation>
    </message>
    <message>
        <source>Цвет:</source>
        <translation>Colour:</translation>
    </message>
    <message>
        <source>ОК</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Отмена</source>
        <translation>Cancel</translation>
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
    <name>Identity</name>
    <message>
        <source>%1: защищённый канал недоступен.</source>
        <translation>%1: the secure channel is not available.</translation>
    </message>
    <message>
        <source>Файл ключа этого компьютера %1 — символическая ссылка, а ключ берётся только из обычного файла. Замените ссылку самим файлом или удалите её, чтобы был создан новый ключ</source>
        <translation>This computer&apos;s key file %1 is a symbolic link, but the key is read only from a regular file. Replace the link with the file itself, or delete it so that a new key is created</translation>
    </message>
    <message>
        <source>%1 — не обычный файл и не может быть ключом этого компьютера</source>
        <translation>%1 is not a regular file and cannot hold this computer&apos;s key</translation>
    </message>
    <message>
        <source>Файл ключа этого компьютера %1 принадлежит другому пользователю и не используется. Удалите его, чтобы был создан новый ключ</source>
        <translation>This computer&apos;s key file %1 belongs to another user and is not used. Delete it so that a new key is created</translation>
    </message>
    <message>
        <source>Файл ключа этого компьютера %1 был подменён во время чтения</source>
        <translation>This computer&apos;s key file %1 was replaced while it was being read</translation>
    </message>
    <message>
        <source>Файл ключа этого компьютера %1 доступен другим пользователям, а закрыть его от них не удалось</source>
        <translation>This computer&apos;s key file %1 is open to other users, and it could not be closed to them</translation>
    </message>
    <message>
        <source>Файл ключа этого компьютера %1 могли читать другие пользователи; теперь его читает только владелец. Если посторонние могли его скопировать, удалите файл: будет создан новый ключ, и собеседники должны будут принять его.</source>
        <translation>Other users could read this computer&apos;s key file %1; now only its owner can. If anyone else may have copied it, delete the file: a new key will be created, and your contacts will have to accept it.</translation>
    </message>
    <message>
        <source>Не удалось создать ключ этого компьютера</source>
        <translation>Could not create this computer&apos;s key</translation>
    </message>
    <message>
        <source>Не удалось сохранить ключ этого компьютера (%1)</source>
        <translation>Could not save this computer&apos;s key (%1)</translation>
    </message>
    <message>
        <source>Ключ этого компьютера не читался и заменён новым. Собеседники увидят новый отпечаток и должны будут принять его.</source>
        <translation>This computer&apos;s key could not be read and has been replaced with a new one. Your contacts will see a new fingerprint and will have to accept it.</translation>
    </message>
</context>
<context>
    <name>IncomingController</name>
    <message>
        <source>Получено сообщение от: %1</source>
        <translation>Message received from: %1</translation>
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
    <name>LifecycleController</name>
    <message>
        <source>Закрытие</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Закрытие программы не позволит Вам общаться с другими абонентами.
<byte value="xd"/>Точно выход?</source>
        <translation>Once Zavolin is closed, you cannot talk to your contacts.
<byte value="xd"/>Exit anyway?</translation>
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
    <name>MessageReceiver</name>
    <message>
        <source>  [получено до сбоя программы, %1]</source>
        <translation>  [received before the program failed, %1]</translation>
    </message>
    <message>
        <source>Было сообщение от  %1. Время: %2</source>
        <translation>There was a message from  %1. Time: %2</translation>
    </message>
    <message>
        <source>&gt;&gt;Сообщение от  %1&lt;&lt;  %2</source>
        <translation>&gt;&gt;Message from  %1&lt;&lt;  %2</translation>
    </message>
    <message>
        <source>&gt;&gt;Сообщение от  %1</source>
        <translation>&gt;&gt;Message from  %1</translation>
    </message>
</context>
<context>
    <name>MessageSender</name>
    <message>
        <source>защищённый канал недоступен</source>
        <translation>the secure channel is not available</translation>
    </message>
</context>
<context>
    <name>Messenger</name>
    <message>
        <source>ключ компьютера изменился</source>
        <translation>the computer&apos;s key has changed</translation>
    </message>
    <message>
        <source>Не удалось записать файл %1</source>
        <translation>Could not write the file %1</translation>
    </message>
    <message>
        <source>Защищённые сообщения не будут приниматься: порт %1 занят (%2).</source>
        <translation>Secure messages will not be received: port %1 is in use (%2).</translation>
    </message>
    <message>
        <source>Сообщения не будут приниматься: порт %1 занят (%2). Возможно, Zavolin уже запущен на этом компьютере.</source>
        <translation>Messages will not be received: port %1 is in use (%2). Zavolin may already be running on this computer.</translation>
    </message>
    <message>
        <source>Файлы не будут приниматься: порт %1 в Linux открывает только администратор.
Чтобы разрешить, выполните одну из команд и перезапустите Zavolin:
sudo setcap &apos;cap_net_bind_service=+ep&apos; %2
sudo sysctl net.ipv4.ip_unprivileged_port_start=%1</source>
        <translation>Files will not be received: on Linux only the administrator can open port %1.
To allow it, run one of these commands and restart Zavolin:
sudo setcap &apos;cap_net_bind_service=+ep&apos; %2
sudo sysctl net.ipv4.ip_unprivileged_port_start=%1</translation>
    </message>
    <message>
        <source>Файлы не будут приниматься: порт %1 занят (%2). Возможно, Zavolin уже запущен на этом компьютере.</source>
        <translation>Files will not be received: port %1 is in use (%2). Zavolin may already be running on this computer.</translation>
    </message>
    <message>
        <source>Сообщения не принимаются: не удаётся записать файл %1 (%2). Отправители получают ошибку отправки и могут повторить позже.</source>
        <translation>Messages are not being received: the file %1 cannot be written (%2). Senders get a sending error and can try again later.</translation>
    </message>
    <message>
        <source>Другие компьютеры не будут видны</source>
        <translation>Other computers will not be visible</translation>
    </message>
    <message>
        <source>Сообщения не будут приниматься</source>
        <translation>Messages will not be received</translation>
    </message>
    <message>
        <source>Файлы не будут приниматься</source>
        <translation>Files will not be received</translation>
    </message>
    <message>
        <source>Zavolin не слышит собственных широковещательных датаграмм: входящие пакеты UDP на порт %1 отбрасывает брандмауэр, поэтому другие компьютеры сети не будут видны.
Откройте порты (UDP %1, TCP %1, 711, %2) командой:
sudo firewall-cmd --permanent --add-service=zavolin &amp;&amp; sudo firewall-cmd --reload
или, где брандмауэр ufw: sudo ufw allow Zavolin</source>
        <translation>Zavolin does not hear its own broadcast datagrams: the firewall drops incoming UDP packets on port %1, so the other computers on the network will not be visible.
Open the ports (UDP %1, TCP %1, 711, %2) with the command:
sudo firewall-cmd --permanent --add-service=zavolin &amp;&amp; sudo firewall-cmd --reload
or, where the firewall is ufw: sudo ufw allow Zavolin</translation>
    </message>
    <message>
        <source>255.255.255.255 через %1</source>
        <translation>255.255.255.255 via %1</translation>
    </message>
    <message>
        <source> (сеть %1)</source>
        <translation> (network %1)</translation>
    </message>
    <message>
        <source>не слушает</source>
        <translation>not listening</translation>
    </message>
    <message>
        <source>TCP (защищённый) </source>
        <translation>TCP (secure) </translation>
    </message>
    <message>
        <source>Свои датаграммы возвращаются: входящие UDP не отбрасываются.</source>
        <translation>Our own datagrams come back: incoming UDP is not dropped.</translation>
    </message>
    <message>
        <source>Проверка не проводилась.</source>
        <translation>Not checked yet.</translation>
    </message>
</context>
<context>
    <name>NetFormWidgets</name>
    <message>
        <source>Отправить сообщение</source>
        <translation>Send message</translation>
    </message>
    <message>
        <source>Отправить сообщение всем</source>
        <translation>Send message to everyone</translation>
    </message>
    <message>
        <source>Исправить на русский</source>
        <translation>Convert to Russian layout</translation>
    </message>
    <message>
        <source>Загрузить из файла...</source>
        <translation>Load from file...</translation>
    </message>
    <message>
        <source>Загрузить в &apos;Исходящие&apos;</source>
        <translation>Load into &apos;Outgoing&apos;</translation>
    </message>
    <message>
        <source>Сохранить в файле...</source>
        <translation>Save to file...</translation>
    </message>
    <message>
        <source>Сохранить &apos;Входящие&apos;</source>
        <translation>Save &apos;Incoming&apos;</translation>
    </message>
    <message>
        <source>Очистить</source>
        <translation>Clear</translation>
    </message>
    <message>
        <source>Очистить (Ctrl+Del)</source>
        <translation>Clear (Ctrl+Del)</translation>
    </message>
    <message>
        <source>Скрыть</source>
        <translation>Hide</translation>
    </message>
    <message>
        <source>Скрыть (Esc)</source>
        <translation>Hide (Esc)</translation>
    </message>
    <message>
        <source>Выход</source>
        <translation>Exit</translation>
    </message>
    <message>
        <source>Выход из программы (F10)</source>
        <translation>Exit the program (F10)</translation>
    </message>
    <message>
        <source>Открыть исходящие сообщения</source>
        <translation>Open outgoing messages</translation>
    </message>
    <message>
        <source>Открыть входящие сообщения</source>
        <translation>Open incoming messages</translation>
    </message>
    <message>
        <source>Чат</source>
        <translation>Chat</translation>
    </message>
    <message>
        <source>Чат (Ctrl + H)</source>
        <translation>Chat (Ctrl + H)</translation>
    </message>
    <message>
        <source>SMS-сообщения</source>
        <translation>SMS messages</translation>
    </message>
    <message>
        <source>SMS - сообщения (Ctrl + M)</source>
        <translation>SMS messages (Ctrl + M)</translation>
    </message>
    <message>
        <source>Черный список</source>
        <translation>Blacklist</translation>
    </message>
    <message>
        <source>Вставить фразу</source>
        <translation>Insert phrase</translation>
    </message>
    <message>
        <source>Вставить фразу в текст (F8)</source>
        <translation>Insert a phrase into the text (F8)</translation>
    </message>
    <message>
        <source>Редактировать фразы</source>
        <translation>Edit phrases</translation>
    </message>
    <message>
        <source>Автоответчик</source>
        <translation>Auto-answer</translation>
    </message>
    <message>
        <source>Текст автоответчика</source>
        <translation>Auto-answer text</translation>
    </message>
    <message>
        <source>Получать сообщения</source>
        <translation>Receive messages</translation>
    </message>
    <message>
        <source>Параметры</source>
        <translation>Settings</translation>
    </message>
    <message>
        <source>Назначить псевдоним</source>
        <translation>Set alias</translation>
    </message>
    <message>
        <source>Редактор IP - адресов</source>
        <translation>IP address editor</translation>
    </message>
    <message>
        <source>Обновить контактный лист</source>
        <translation>Refresh contact list</translation>
    </message>
    <message>
        <source>Сохранить настройки</source>
        <translation>Save settings</translation>
    </message>
    <message>
        <source>Сохранить настройки (F2)</source>
        <translation>Save settings (F2)</translation>
    </message>
    <message>
        <source>О программе...</source>
        <translation>About...</translation>
    </message>
    <message>
        <source>Отправить файл</source>
        <translation>Send file</translation>
    </message>
    <message>
        <source>Отправить папку…</source>
        <translation>Send folder…</translation>
    </message>
    <message>
        <source>Ожидают отправки...</source>
        <translation>Outbox...</translation>
    </message>
    <message>
        <source>История сообщений</source>
        <translation>Message history</translation>
    </message>
    <message>
        <source>Передача файлов</source>
        <translation>File transfers</translation>
    </message>
    <message>
        <source>Сообщение</source>
        <translation>Message</translation>
    </message>
    <message>
        <source>Открыть</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Фразы</source>
        <translation>Phrases</translation>
    </message>
    <message>
        <source>Настройка</source>
        <translation>Setup</translation>
    </message>
    <message>
        <source>Помощь</source>
        <translation>Help</translation>
    </message>
    <message>
        <source>Контакты</source>
        <translation>Contacts</translation>
    </message>
    <message>
        <source>Получатели сообщения: выберите один или несколько контактов</source>
        <translation>Message recipients: choose one or more contacts</translation>
    </message>
    <message>
        <source>Исходящие сообщения</source>
        <translation>Outgoing messages</translation>
    </message>
    <message>
        <source>Текст сообщения, Ctrl+Enter отправляет</source>
        <translation>Message text; Ctrl+Enter sends it</translation>
    </message>
    <message>
        <source>Входящие сообщения</source>
        <translation>Incoming messages</translation>
    </message>
    <message>
        <source>Исходящие</source>
        <translation>Outgoing</translation>
    </message>
    <message>
        <source>Показать исходящие сообщения</source>
        <translation>Show outgoing messages</translation>
    </message>
    <message>
        <source>Входящие</source>
        <translation>Incoming</translation>
    </message>
    <message>
        <source>Показать входящие сообщения</source>
        <translation>Show incoming messages</translation>
    </message>
    <message>
        <source>Смайлики</source>
        <translation>Smileys</translation>
    </message>
    <message>
        <source>Открыть панель смайликов</source>
        <translation>Open the smiley panel</translation>
    </message>
    <message>
        <source>Enter вставляет фразу в текст</source>
        <translation>Enter inserts the phrase into the text</translation>
    </message>
    <message>
        <source>Имя компьютера</source>
        <translation>Computer name</translation>
    </message>
    <message>
        <source>Вид и имя компьютера</source>
        <translation>View and computer name</translation>
    </message>
    <message>
        <source>Текст сообщения, смайлики и кнопка отправки</source>
        <translation>Message text, smileys and the Send button</translation>
    </message>
    <message>
        <source>Панель инструментов</source>
        <translation>Toolbar</translation>
    </message>
    <message>
        <source>SMS - сообщения</source>
        <translation>SMS messages</translation>
    </message>
    <message>
        <source>Отправить</source>
        <translation>Send</translation>
    </message>
    <message>
        <source>Сеть</source>
        <translation>Network</translation>
    </message>
</context>
<context>
    <name>NetworkForm</name>
    <message>
        <source>Сеть - Zavolin</source>
        <translation>Network - Zavolin</translation>
    </message>
    <message>
        <source>Сеть</source>
        <translation>Network</translation>
    </message>
    <message>
        <source>Интерфейсы, порты, брандмауэр и датаграммы</source>
        <translation>Interfaces, ports, firewall and datagrams</translation>
    </message>
    <message>
        <source>Интерфейс</source>
        <translation>Interface</translation>
    </message>
    <message>
        <source>Адрес</source>
        <translation>Address</translation>
    </message>
    <message>
        <source>Рассылка</source>
        <translation>Broadcast</translation>
    </message>
    <message>
        <source>Интерфейсы</source>
        <translation>Interfaces</translation>
    </message>
    <message>
        <source>Интерфейсы, их адреса и куда уходят широковещательные датаграммы</source>
        <translation>Interfaces, their addresses and where broadcast datagrams go</translation>
    </message>
    <message>
        <source>Порт</source>
        <translation>Port</translation>
    </message>
    <message>
        <source>Состояние</source>
        <translation>Status</translation>
    </message>
    <message>
        <source>Порты</source>
        <translation>Ports</translation>
    </message>
    <message>
        <source>Порты и слушает ли каждый</source>
        <translation>Ports and whether each one is listening</translation>
    </message>
    <message>
        <source>Брандмауэр</source>
        <translation>Firewall</translation>
    </message>
    <message>
        <source>Итог проверки при запуске</source>
        <translation>Result of the check at start-up</translation>
    </message>
    <message>
        <source>Счётчики</source>
        <translation>Counters</translation>
    </message>
    <message>
        <source>Ответившие экземпляры, принятые и отправленные датаграммы</source>
        <translation>Instances that answered, datagrams received and sent</translation>
    </message>
    <message>
        <source>Последние ошибки</source>
        <translation>Recent errors</translation>
    </message>
    <message>
        <source>Обновить</source>
        <translation>Refresh</translation>
    </message>
    <message>
        <source>Собрать сведения заново</source>
        <translation>Gather the information again</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>&amp;Интерфейсы</source>
        <translation>&amp;Interfaces</translation>
    </message>
    <message>
        <source>&amp;Порты</source>
        <translation>&amp;Ports</translation>
    </message>
    <message>
        <source>&amp;Брандмауэр</source>
        <translation>&amp;Firewall</translation>
    </message>
    <message>
        <source>&amp;Счётчики</source>
        <translation>Cou&amp;nters</translation>
    </message>
    <message>
        <source>После&amp;дние ошибки</source>
        <translation>Recent &amp;errors</translation>
    </message>
    <message>
        <source>нет сети, пригодной для рассылки</source>
        <translation>no network suitable for broadcasts</translation>
    </message>
    <message>
        <source>слушает</source>
        <translation>listening</translation>
    </message>
    <message>
        <source>Ответили экземпляров: %1
Датаграмм принято: %2, отправлено: %3
Адресов из списка IP для объявления: %4</source>
        <translation>Instances that answered: %1
Datagrams received: %2, sent: %3
Addresses from the IP list announced to: %4</translation>
    </message>
    <message>
        <source>нет</source>
        <translation>none</translation>
    </message>
</context>
<context>
    <name>NotifyController</name>
    <message>
        <source>Получено сообщение</source>
        <translation>Message received</translation>
    </message>
</context>
<context>
    <name>Outbox</name>
    <message>
        <source>весь файл сохранён в %1</source>
        <translation>the whole file was kept as %1</translation>
    </message>
    <message>
        <source>сохранить его копию в %1 не удалось</source>
        <translation>a copy of it could not be kept as %1</translation>
    </message>
    <message>
        <source>Файл %1 повреждён; прочитано сообщений: %2, %3</source>
        <translation>The file %1 is damaged; messages read: %2, %3</translation>
    </message>
    <message>
        <source>В файле %1 больше, чем вмещает очередь (не больше %2 сообщений, каждое не длиннее %3 байт); в очереди оставлено сообщений: %4, %5</source>
        <translation>The file %1 holds more than the outbox can (at most %2 messages, each at most %3 bytes long); messages kept in the outbox: %4, %5</translation>
    </message>
</context>
<context>
    <name>PinStore</name>
    <message>
        <source>Файл ключей %1 не читается (%2): ключи компьютеров не загружены.</source>
        <translation>The keys file %1 cannot be read (%2): the computers&apos; keys were not loaded.</translation>
    </message>
    <message>
        <source>Файл ключей %1 повреждён или слишком велик: прочитано ключей: %2, не прочитано строк: %3%4. %5</source>
        <translation>The keys file %1 is damaged or too large: keys read: %2, lines not read: %3%4. %5</translation>
    </message>
    <message>
        <source> и остаток файла</source>
        <translation> and the rest of the file</translation>
    </message>
    <message>
        <source>Прежний файл сохранён как %1.</source>
        <translation>The previous file was kept as %1.</translation>
    </message>
    <message>
        <source>Сохранить прежний файл рядом не удалось.</source>
        <translation>The previous file could not be kept beside it.</translation>
    </message>
</context>
<context>
    <name>PortOwner</name>
    <message>
        <source>его держит другая программа</source>
        <translation>another program holds it</translation>
    </message>
    <message>
        <source>его держит программа другого пользователя этого компьютера (uid %1), например его Zavolin на терминальном сервере</source>
        <translation>a program of another user of this computer (uid %1) holds it, for example their Zavolin on a terminal server</translation>
    </message>
    <message>
        <source>его держит процесс %1 (pid %2)</source>
        <translation>process %1 (pid %2) holds it</translation>
    </message>
    <message>
        <source>его держит другая ваша программа</source>
        <translation>another of your programs holds it</translation>
    </message>
    <message>
        <source>%1: порт %2 занят (%3); %4.
Что делать: закройте ту программу (или второй экземпляр Zavolin) и перезапустите Zavolin; на одном компьютере порт %2 может занимать только один экземпляр. Остальное продолжает работать.</source>
        <translation>%1: port %2 is in use (%3); %4.
What to do: close that program (or the second Zavolin instance) and restart Zavolin; only one instance on a computer can use port %2. Everything else keeps working.</translation>
    </message>
</context>
<context>
    <name>ReceiveJournal</name>
    <message>
        <source>%1 не является обычным файлом</source>
        <translation>%1 is not a regular file</translation>
    </message>
    <message>
        <source>записано %1 байт из %2</source>
        <translation>%1 of %2 bytes written</translation>
    </message>
</context>
<context>
    <name>SendController</name>
    <message>
        <source>Сообщение слишком длинное: %1 байт, можно не больше %2.</source>
        <translation>The message is too long: %1 bytes, and at most %2 are allowed.</translation>
    </message>
    <message>
        <source>Ошибка создания файла!</source>
        <translation>The file could not be created!</translation>
    </message>
    <message>
        <source>Ошибка отправки сообщения!</source>
        <translation>The message could not be sent!</translation>
    </message>
    <message>
        <source>Не выбран компьютер!</source>
        <translation>No contact selected!</translation>
    </message>
    <message>
        <source>Введите текст для отправки сообщения!</source>
        <translation>Please type a message to send!</translation>
    </message>
    <message>
        <source>У Вас включен автоответчик! Сообщение отправлено!</source>
        <translation>Your auto-answer is on! The message was sent!</translation>
    </message>
    <message>
        <source>Идёт отправка сообщения: %1…</source>
        <translation>Sending the message to %1…</translation>
    </message>
    <message>
        <source>Отправить сообщение</source>
        <translation>Send message</translation>
    </message>
    <message>
        <source>Введите текст сообщения!</source>
        <translation>Please type a message!</translation>
    </message>
    <message>
        <source>Внимание</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Данное сообщение будет отправлено всем абонентам!
<byte value="xd"/>Продолжить?</source>
        <translation>This message will be sent to all contacts!
<byte value="xd"/>Continue?</translation>
    </message>
    <message>
        <source>Ошибка отправки сообщения!

Кому: %1</source>
        <translation>The message could not be sent!

To: %1</translation>
    </message>
    <message>
        <source>Причина: %1.</source>
        <translation>Reason: %1.</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Доставить позже</source>
        <translation>Deliver later</translation>
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
    <name>TMessForm</name>
    <message>
        <source>Сообщение - Zavolin</source>
        <translation>Notice - Zavolin</translation>
    </message>
</context>
<context>
    <name>TNetForm</name>
    <message>
        <source>Автоответчик: Приходили сообщения! - Zavolin</source>
        <translation>Auto-answer: messages have arrived! - Zavolin</translation>
    </message>
    <message>
        <source>Ошибка получения сообщения!</source>
        <translation>A message could not be received!</translation>
    </message>
    <message>
        <source>Ошибка создания файла!</source>
        <translation>The file could not be created!</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
    </message>
    <message>
        <source>Внимание</source>
        <translation>Warning</translation>
    </message>
    <message>
        <source>Автоответчик - Zavolin</source>
        <translation>Auto-answer - Zavolin</translation>
    </message>
    <message>
        <source>Сеанс сообщений - Zavolin</source>
        <translation>Messages - Zavolin</translation>
    </message>
    <message>
        <source>Ожидают отправки (%1)...</source>
        <translation>Outbox (%1)...</translation>
    </message>
    <message>
        <source>Ожидают отправки...</source>
        <translation>Outbox...</translation>
    </message>
    <message>
        <source>Меню контакта</source>
        <translation>Contact menu</translation>
    </message>
    <message>
        <source>Ключи и отпечатки...</source>
        <translation>Keys and fingerprints...</translation>
    </message>
    <message>
        <source>Несколько компьютеров называют себя %1 и объявляют разные ключи. Ни один из этих ключей не закреплён, и сообщения для %1 идут без шифрования, пока вы не выберете ключ в окне «Ключи и отпечатки» (меню контакта в списке).</source>
        <translation>Several computers call themselves %1 and announce different keys. None of these keys is pinned, and messages for %1 go unencrypted until you choose a key in the &quot;Keys and fingerprints&quot; window (the contact&apos;s menu in the contact list).</translation>
    </message>
    <message>
        <source>Сообщение для %1 не отправлено по защищённому каналу: %2.
Отправить его открыто, без шифрования, один раз?</source>
        <translation>The message for %1 was not sent over the secure channel: %2.
Send it openly, unencrypted, this once?</translation>
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
    <name>TOutboxForm</name>
    <message>
        <source>Ожидают отправки</source>
        <translation>Outbox</translation>
    </message>
    <message>
        <source>Сообщения уйдут, когда контакт появится в сети. Сообщение может прийти дважды, если подтверждение потерялось.</source>
        <translation>Messages are sent when the contact comes online. A message may arrive twice if its confirmation was lost.</translation>
    </message>
    <message>
        <source>Ожидающие сообщения</source>
        <translation>Messages waiting to be sent</translation>
    </message>
    <message>
        <source>Записано</source>
        <translation>Written</translation>
    </message>
    <message>
        <source>Кому</source>
        <translation>To</translation>
    </message>
    <message>
        <source>Текст</source>
        <translation>Text</translation>
    </message>
    <message>
        <source>Нет сообщений, ожидающих отправки.</source>
        <translation>The outbox is empty.</translation>
    </message>
    <message>
        <source>Текст сообщения</source>
        <translation>Message text</translation>
    </message>
    <message>
        <source>Сохранить изменения</source>
        <translation>Save changes</translation>
    </message>
    <message>
        <source>Не отправлять</source>
        <translation>Don&apos;t send</translation>
    </message>
    <message>
        <source>Закрыть</source>
        <translation>Close</translation>
    </message>
</context>
<context>
    <name>TSettingsForm</name>
    <message>
        <source>Поместить программу в группу автозапуска</source>
        <translation>Start the program when I log in</translation>
    </message>
    <message>
        <source>Скрывать при запуске</source>
        <translation>Hide at start-up</translation>
    </message>
    <message>
        <source>Вести историю сообщений</source>
        <translation>Keep a message history</translation>
    </message>
    <message>
        <source>Включить глобальные &apos;горячие клавиши&apos;</source>
        <translation>Enable global hot keys</translation>
    </message>
    <message>
        <source>Скрывать по нажатии системной кнопки &apos;Закрыть&apos;</source>
        <translation>Hide when the window&apos;s Close button is pressed</translation>
    </message>
    <message>
        <source>Показывать плавающее окно</source>
        <translation>Show the floating window</translation>
    </message>
    <message>
        <source>Не показывать форму при получении сообщения (&quot;звонить&quot; в systemtray)</source>
        <translation>Don&apos;t show the window when a message arrives (flash the tray icon instead)</translation>
    </message>
    <message>
        <source>Всплывающее окно при получении сообщения</source>
        <translation>Pop up a notice when a message arrives</translation>
    </message>
    <message>
        <source>Предупреждать о смене статуса абонентов (online/offline)</source>
        <translation>Tell me when contacts come online or go offline</translation>
    </message>
    <message>
        <source>Удалять сообщения после отправки</source>
        <translation>Clear the message after sending</translation>
    </message>
    <message>
        <source>Удалять приходящие сообщения при получении новых</source>
        <translation>Clear received messages when new ones arrive</translation>
    </message>
    <message>
        <source>Скрывать после отправки сообщения</source>
        <translation>Hide after sending a message</translation>
    </message>
    <message>
        <source>Указавать время прихода сообщений</source>
        <translation>Show the time messages arrive</translation>
    </message>
    <message>
        <source>Предупреждать об отправки сообщения &apos;всем&apos;</source>
        <translation>Ask before sending a message to everyone</translation>
    </message>
    <message>
        <source>Преобразовывать смайлы</source>
        <translation>Show smileys as pictures</translation>
    </message>
    <message>
        <source>Прокручивать входящие сообщения в конец</source>
        <translation>Scroll received messages to the end</translation>
    </message>
    <message>
        <source>Использовать эффекты в меню</source>
        <translation>Use menu effects</translation>
    </message>
    <message>
        <source>Воспроизводить звук при получении сообщения</source>
        <translation>Play a sound when a message arrives</translation>
    </message>
    <message>
        <source>Сохранять полученные файлы в указанном каталоге</source>
        <translation>Save received files in the chosen folder</translation>
    </message>
    <message>
        <source>Параметры - Zavolin</source>
        <translation>Settings - Zavolin</translation>
    </message>
    <message>
        <source>Общие</source>
        <translation>General</translation>
    </message>
    <message>
        <source>Оповещения</source>
        <translation>Notices</translation>
    </message>
    <message>
        <source>Сообщения</source>
        <translation>Messages</translation>
    </message>
    <message>
        <source>Оформление</source>
        <translation>Appearance</translation>
    </message>
    <message>
        <source>Звук</source>
        <translation>Sound</translation>
    </message>
    <message>
        <source>Файлы</source>
        <translation>Files</translation>
    </message>
    <message>
        <source>Разделы параметров</source>
        <translation>Settings sections</translation>
    </message>
    <message>
        <source>Ок</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Как в системе</source>
        <translation>System language</translation>
    </message>
    <message>
        <source>Язык интерфейса</source>
        <translation>Interface language</translation>
    </message>
    <message>
        <source>Язык сменится при следующем запуске программы.</source>
        <translation>The language changes the next time the program starts.</translation>
    </message>
    <message>
        <source>Показывать окно (сек.):</source>
        <translation>Show the notice for (seconds):</translation>
    </message>
    <message>
        <source>Стиль меню</source>
        <translation>Menu style</translation>
    </message>
    <message>
        <source>Шрифт текста</source>
        <translation>Text font</translation>
    </message>
    <message>
        <source>Цвет фона</source>
        <translation>Background colour</translation>
    </message>
    <message>
        <source>По умолчанию</source>
        <translation>Defaults</translation>
    </message>
    <message>
        <source>Выбрать звук</source>
        <translation>Choose sound</translation>
    </message>
    <message>
        <source>Выбрать каталог</source>
        <translation>Choose folder</translation>
    </message>
    <message>
        <source>Файлы *.wav (*.wav)</source>
        <translation>Files *.wav (*.wav)</translation>
    </message>
    <message>
        <source>Укажите каталог, в котором будут сохраняться полученные файлы</source>
        <translation>Choose the folder where received files are saved</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Error</translation>
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
    <name>TextToolsController</name>
    <message>
        <source>Текстовые файлы *.txt (*.txt)</source>
        <translation>Text files *.txt (*.txt)</translation>
    </message>
    <message>
        <source>Удалить</source>
        <translation>Remove</translation>
    </message>
    <message>
        <source>Файл слишком большой: сообщение может быть не длиннее %1 байт.</source>
        <translation>The file is too large: a message can be at most %1 bytes long.</translation>
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
    <name>TransferList</name>
    <message>
        <source>%1 ч %2 мин</source>
        <translation>%1 h %2 min</translation>
    </message>
    <message>
        <source>%1 мин %2 с</source>
        <translation>%1 min %2 s</translation>
    </message>
    <message>
        <source>%1 с</source>
        <translation>%1 s</translation>
    </message>
    <message>
        <source>%1 Б</source>
        <translation>%1 B</translation>
    </message>
    <message>
        <source>Ожидает</source>
        <translation>Waiting</translation>
    </message>
    <message>
        <source>Упаковка в архив</source>
        <translation>Packing</translation>
    </message>
    <message>
        <source>Отправка</source>
        <translation>Sending</translation>
    </message>
    <message>
        <source>Прием</source>
        <translation>Receiving</translation>
    </message>
    <message>
        <source>Отправлен</source>
        <translation>Sent</translation>
    </message>
    <message>
        <source>Ждет решения</source>
        <translation>Awaiting decision</translation>
    </message>
    <message>
        <source>Сохранен</source>
        <translation>Saved</translation>
    </message>
    <message>
        <source>Отклонен</source>
        <translation>Rejected</translation>
    </message>
    <message>
        <source>Ошибка</source>
        <translation>Failed</translation>
    </message>
    <message>
        <source>Ошибка: %1</source>
        <translation>Failed: %1</translation>
    </message>
    <message>
        <source>Отменен</source>
        <translation>Cancelled</translation>
    </message>
    <message>
        <source>%1/с</source>
        <translation>%1/s</translation>
    </message>
    <message>
        <source>Файл</source>
        <translation>File</translation>
    </message>
    <message>
        <source>Абонент</source>
        <translation>Contact</translation>
    </message>
    <message>
        <source>Размер</source>
        <translation>Size</translation>
    </message>
    <message>
        <source>Выполнено</source>
        <translation>Done</translation>
    </message>
    <message>
        <source>Скорость</source>
        <translation>Speed</translation>
    </message>
    <message>
        <source>Осталось</source>
        <translation>Time left</translation>
    </message>
    <message>
        <source>Состояние</source>
        <translation>Status</translation>
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
