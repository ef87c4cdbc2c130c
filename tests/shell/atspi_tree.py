"""Reads and operates the program through AT-SPI, as a screen reader does.

Run by atspi_tree.sh inside a private network namespace and a session bus of
its own. Starts Xvfb and the program, opens the chat and SMS windows through
the main window's accessible tool buttons, checks every window's role and name
and that no control shown is without a name, joins and leaves the chat through
the buttons' accessible actions, checks that a received message and a chat
line are announced as text inserted into their views without moving the
focus (a smiley picture as its code), and ends the program with SIGTERM.
"""
import os
import signal
import socket
import subprocess
import sys
import time

import pyatspi
from gi.repository import GLib

WINDOW_ROLES = {pyatspi.ROLE_FRAME, pyatspi.ROLE_WINDOW, pyatspi.ROLE_DIALOG}
# A message box is an alert, which a screen reader reads out whole; the program
# may show one here, where its broadcasts find no network.
ALERT_ROLES = {pyatspi.ROLE_ALERT}
BUTTON_ROLES = {pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON}
CONTROL_ROLES = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_ENTRY, pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_TEXT, pyatspi.ROLE_LIST,
    pyatspi.ROLE_TABLE, pyatspi.ROLE_TREE, pyatspi.ROLE_SPIN_BUTTON, pyatspi.ROLE_SLIDER, pyatspi.ROLE_PAGE_TAB_LIST,
    pyatspi.ROLE_LINK, pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM, pyatspi.ROLE_LIST_BOX,
}
ITEM_ROLES = {pyatspi.ROLE_LIST_ITEM, pyatspi.ROLE_TABLE_CELL, pyatspi.ROLE_TABLE_ROW, pyatspi.ROLE_TREE_ITEM,
              pyatspi.ROLE_COLUMN_HEADER, pyatspi.ROLE_ROW_HEADER, pyatspi.ROLE_MENU}
# A bound for a machine under heavy load (a program start under Xvfb took over 30 s
# with two test suites and two builds beside it); a normal run takes seconds.
DEADLINE_S = 90
failures = []
insertions = []  # (name of the view, text) of every text-changed:insert heard


def on_insert(event):
    insertions.append((event.source.name if event.source else "", str(event.any_data)))


def inserted(view, part):
    return any(name == view and part in text for name, text in insertions)


def fail(text):
    failures.append(text)
    print("FAIL:", text, flush=True)


def eventually(what, probe):
    """Waits, at most DEADLINE_S, for probe() to return something true."""
    end = time.monotonic() + DEADLINE_S
    while True:
        try:
            result = probe()
        except Exception:  # the tree changes under us while windows open
            result = None
        if result:
            return result
        if time.monotonic() > end:
            raise SystemExit("FAIL: gave up waiting for " + what)
        # Events arrive through the main loop.
        while GLib.MainContext.default().iteration(False):
            pass
        time.sleep(0.05)


def fresh(acc):
    acc.clear_cache()
    return acc


def showing(acc):
    return fresh(acc).getState().contains(pyatspi.STATE_SHOWING)


def children(acc):
    for i in range(fresh(acc).childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            yield child


def find(root, predicate):
    for child in children(root):
        if predicate(child):
            return child
        found = find(child, predicate)
        if found is not None:
            return found
    return None


def named(role, name):
    return lambda acc: acc.getRole() == role and acc.name == name


def press(acc):
    """The first accessible action, the one a screen reader offers."""
    action = acc.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    print("  %s '%s': actions %s" % (acc.getRoleName(), acc.name, names), flush=True)
    action.doAction(0)


def enabled(acc):
    return fresh(acc).getState().contains(pyatspi.STATE_ENABLED)


def audit(app):
    windows = controls = 0
    for window in children(app):
        if not showing(window):
            continue
        windows += 1
        print("window: %s '%s'" % (window.getRoleName(), window.name), flush=True)
        if window.getRole() not in WINDOW_ROLES | ALERT_ROLES or not window.name:
            fail("window announced as %s '%s' (%s, %d children: %s)"
                 % (window.getRoleName(), window.name, window.description, window.childCount,
                    [(c.getRoleName(), c.name) for c in children(window)]))
        stack = list(children(window))
        while stack:
            acc = stack.pop()
            role = acc.getRole()
            if role in ITEM_ROLES or not showing(acc):
                continue
            if role in CONTROL_ROLES:
                controls += 1
                if not fresh(acc).name.strip():
                    parent = acc.parent
                    fail("control without a name: %s '%s' in %s '%s' of '%s'"
                         % (acc.getRoleName(), acc.description, parent.getRoleName() if parent else "-",
                            parent.name if parent else "", window.name))
            stack.extend(children(acc))
    print("%d windows, %d controls" % (windows, controls), flush=True)
    return windows


def focused(app):
    return find(app, lambda a: fresh(a).getState().contains(pyatspi.STATE_FOCUSED))


def send_message(sender, text):
    """A message from another instance, to the message port on loopback."""
    def field(value):
        data = value.encode("cp1251")
        return b"%04d" % len(data) + data
    with socket.create_connection(("127.0.0.1", 6711), timeout=DEADLINE_S) as peer:
        peer.sendall(field(sender) + field(text))
        answer = b""
        while len(answer) < 16:
            chunk = peer.recv(16 - len(answer))
            if not chunk:
                break
            answer += chunk
    if answer != b"OK" + b" " * 14:
        fail("the message was not acknowledged: %r" % answer)


def send_datagram(text):
    with socket.socket(socket.AF_INET, socket.SOCK_DGRAM) as peer:
        peer.sendto(text.encode("cp1251"), ("127.0.0.1", 6711))


def check_announcements(app, chat):
    """New text in a view not in focus is announced, and the focus stays."""
    before = focused(app)
    # The smiley is drawn as a picture; read out, it is its code again.
    send_message("ВАСЯ", "Привет :--)) как дела?")
    eventually("the message announced on the incoming view",
               lambda: inserted("Входящие сообщения", "Привет :--)) как дела?"))
    view = find(app, lambda a: a.name == "Входящие сообщения" and a.getRole() == pyatspi.ROLE_TEXT)
    shown = view.queryText().getText(0, -1) if view is not None else ""
    if "Привет :--)) как дела?" not in shown or "\ufffc" in shown:
        fail("the incoming view reads %r" % shown)
    send_datagram("&[12:00] Петя: всем привет")
    eventually("the chat line announced on the chat log", lambda: inserted("Сообщения чата", "всем привет"))
    after = focused(app)
    if before is not None and (after is None or after.name != before.name
                               or after.getRole() != before.getRole()):
        fail("an arrival took the focus from %s '%s' to %s '%s'"
             % (before.getRoleName(), before.name, after.getRoleName() if after else "-", after.name if after else ""))


def main():
    program, home = sys.argv[1], sys.argv[2]
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-nolisten", "tcp", "-screen", "0",
                             "1024x768x24"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    display = os.read(read_end, 16).decode().strip()
    env = dict(os.environ, DISPLAY=":" + display, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
               QT_ACCESSIBILITY="1", LC_ALL="C.UTF-8")
    # A message blinks the tray instead of bringing the main window up: then
    # nothing but an announcement may reach the user, and the focus stays put.
    with open(os.path.join(home, "Zavolin.ini"), "wb") as ini:
        ini.write(b"[Form]\r\nCh1=1\r\n")
    zavolin = subprocess.Popen([program, "--home", home], env=env)
    try:
        pyatspi.Registry.registerEventListener(on_insert, "object:text-changed:insert")
        desktop = pyatspi.Registry.getDesktop(0)
        app = eventually("the program on the accessibility bus",
                         lambda: next((a for a in children(desktop) if a.name == "Zavolin"), None))
        main_window = eventually("the main window",
                                 lambda: find(app, named(pyatspi.ROLE_FRAME, "Сеанс сообщений - Zavolin")))
        # The main window's tool buttons, pressed as a screen reader presses them.
        press(eventually("the chat tool button", lambda: find(main_window, lambda a: a.name == "Чат"
                                                              and a.getRole() in BUTTON_ROLES)))
        chat = eventually("the chat window",
                          lambda: next((w for w in children(app) if w.name == "Chat - Zavolin" and showing(w)), None))
        press(find(main_window, lambda a: a.name == "SMS-сообщения" and a.getRole() in BUTTON_ROLES))
        eventually("the SMS window",
                   lambda: next((w for w in children(app) if w.name == "SMS - Zavolin" and showing(w)), None))
        if audit(app) < 3:
            fail("fewer than three windows shown")

        nick = find(chat, lambda a: a.name == "Ник" and a.getRole() == pyatspi.ROLE_TEXT)
        line = find(chat, lambda a: a.name == "Сообщение" and a.getRole() == pyatspi.ROLE_TEXT)
        if nick is None or line is None:
            raise SystemExit("FAIL: the chat's nick or message field has no name")
        nick.queryEditableText().setTextContents("Вася")
        press(find(chat, lambda a: a.name == "Войти" and a.getRole() in BUTTON_ROLES))
        eventually("the chat joined (its message field enabled)", lambda: enabled(line))
        check_announcements(app, chat)
        press(find(chat, lambda a: a.name == "Выйти" and a.getRole() in BUTTON_ROLES))
        eventually("the chat left (its message field disabled)", lambda: not enabled(line))
    finally:
        zavolin.send_signal(signal.SIGTERM)
        try:
            zavolin.wait(timeout=DEADLINE_S)
        except subprocess.TimeoutExpired:
            zavolin.kill()
            fail("the program did not end on SIGTERM")
        xvfb.terminate()
        xvfb.wait()
    if failures:
        print("%d failed" % len(failures))
        sys.exit(1)
    print("accessibility tree: all checks passed")


if __name__ == "__main__":
    main()
