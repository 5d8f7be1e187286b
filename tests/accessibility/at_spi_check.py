#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Reads and drives the driver's windows through AT-SPI alone, as a screen
reader would: the main window and its list, the details window, the about
window's link and its prompt, and a copy started with the copy button,
paused, read and resumed, with the gauge's value changes and the success
prompt. Usage: at_spi_check.py APP_NAME FILES_DIR"""
import os
import sys

import pyatspi

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from atspi_reader import find, pump, showing, the_app, use_app, wait_for, window  # noqa: E402
import atspi_reader  # noqa: E402

app_name, files = sys.argv[1], sys.argv[2]
use_app(app_name)
failures = []


def check(ok, what):
    print(("ok   " if ok else "FAIL ") + what, flush=True)
    if not ok:
        failures.append(what)


def press(obj, what):
    names = atspi_reader.action_names(obj)
    check("Press" in names, what + " has a press action " + repr(names))
    atspi_reader.press(obj)


def button(root, name):
    return wait_for(lambda: find(root, pyatspi.ROLE_PUSH_BUTTON, name), "button " + name)


def text_of(obj):
    return obj.queryText().getText(0, -1)


def labelled_by(obj):
    names = []
    for relation in obj.getRelationSet():
        if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY:
            names += [relation.getTarget(i).name for i in range(relation.getNTargets())]
    return names


def prompt_text(alert):
    message = find(alert, pyatspi.ROLE_LABEL)
    return alert.description, message.name if message else None


# --- the main window ----------------------------------------------------------
main = wait_for(lambda: window(pyatspi.ROLE_FRAME, "Vorkan v1.2"), "the main window as a frame")
check(True, "main window: role frame, name 'Vorkan v1.2'")
drives = wait_for(lambda: find(main, pyatspi.ROLE_TREE), "the drive list")
check(drives.name == "Выберите диск для копирования:", "drive list named by its caption: " + repr(drives.name))

# Value changes are asked for early, so the program knows of the listener
# before the copy starts.
values = []


def on_value(event):
    if event.source.getRole() == pyatspi.ROLE_PROGRESS_BAR:
        values.append(event.source.queryValue().currentValue)


pyatspi.Registry.registerEventListener(on_value, "object:property-change:accessible-value")

# --- the details window -------------------------------------------------------
press(button(main, "Инфо"), "Инфо")
details = wait_for(lambda: window(pyatspi.ROLE_DIALOG, "Информация о диске"), "the details window")
expected = {"Диск": "C:\\", "Метка": "SYSTEM", "Размер": None, "Свободно": None, "Тип носителя": None,
            "Размер (байт)": None, "Серийный номер": None, "Файловая система": None}
for caption, value in expected.items():
    field = find(details, pyatspi.ROLE_TEXT, caption)
    check(field is not None, "details field named " + caption)
    if field is None:
        continue
    shown = text_of(field)
    check(value is None and shown != "" or shown == value, "  reads '%s: %s'" % (caption, shown))
    check(caption in labelled_by(field), "  labelled by its caption")
chart = find(details, pyatspi.ROLE_CHART)
check(chart is not None and chart.name == "Занято: 75 %, Свободно: 25 %",
      "pie chart named by its shares: " + repr(chart.name if chart else None))
press(button(details, "ОК"), "ОК")
wait_for(lambda: window(pyatspi.ROLE_DIALOG, "Информация о диске") is None, "the details window to close")

# --- the about window and a link's prompt ---------------------------------------
press(button(main, "О программе"), "О программе")
about = wait_for(lambda: window(pyatspi.ROLE_DIALOG, "Vorkan v1.2"), "the about window")
links = pyatspi.findAllDescendants(about, lambda o: o.getRole() == pyatspi.ROLE_LINK)
check(sorted(l.name for l in links) == ["vorkan@example.org", "Сообщить об ошибке"],
      "about window links: " + repr([l.name for l in links]))
press(next(l for l in links if l.name == "vorkan@example.org"), "the address link")
question = wait_for(lambda: window(pyatspi.ROLE_ALERT), "the link's prompt")
description, message = prompt_text(question)
check(message == description and description.startswith("Нажмите [Да] для открытия письма в e-mail клиенте"),
      "link prompt reads its message: " + repr(message))
press(button(question, "Cancel"), "Cancel")
wait_for(lambda: window(pyatspi.ROLE_ALERT) is None, "the link's prompt to close")
press(button(about, "Ok"), "Ok")
wait_for(lambda: window(pyatspi.ROLE_DIALOG, "Vorkan v1.2") is None, "the about window to close")

# --- a copy, refused on drive C, then paused half-way -----------------------------
press(button(main, "Копировать"), "Копировать")
# The first place lies on drive C itself: too small, and the source.
for title, start, answer in (("Error", "Недостаточно места на диске!\n", "Ignore"),
                             ("Warning", "Вы действительно хотите сохранить образ диска на исходном диске C:\\?\n"
                              "Внимание! Это не рекомендуется!", "No")):
    alert = wait_for(lambda: window(pyatspi.ROLE_ALERT, title), "the prompt " + title)
    description, message = prompt_text(alert)
    check(message == description and description.startswith(start), title + " prompt reads " + repr(message))
    press(button(alert, answer), answer)
    wait_for(lambda: window(pyatspi.ROLE_ALERT, title) is None, "the prompt %s to close" % title)
progress = wait_for(lambda: next((w for w in the_app() if w.getRole() == pyatspi.ROLE_DIALOG and showing(w) and
                                  find(w, pyatspi.ROLE_PROGRESS_BAR)), None), "the progress window")
gauge = find(progress, pyatspi.ROLE_PROGRESS_BAR)
wait_for(lambda: values, "a value change of the gauge")
pause = wait_for(lambda: find(progress, pyatspi.ROLE_PUSH_BUTTON, "Пазуа"), "the pause button")
press(pause, "the pause button")
wait_for(lambda: find(progress, pyatspi.ROLE_LABEL, "[ПАУЗА] "), "the status [ПАУЗА]")
gauge_value = gauge.queryValue()
check(0 < gauge_value.currentValue < gauge_value.maximumValue and gauge_value.minimumValue == 0,
      "paused gauge: %s of %s..%s" % (gauge_value.currentValue, gauge_value.minimumValue,
                                     gauge_value.maximumValue))
for caption, suffix in (("Имя файла:", "c.IMA"), ("Свободно:", ""), ("Скопировано:", "")):
    field = find(progress, pyatspi.ROLE_TEXT, caption)
    shown = text_of(field) if field else None
    check(shown is not None and shown != "" and shown.endswith(suffix), "progress reads '%s %s'" % (caption, shown))
    check(field is not None and caption in labelled_by(field), "  labelled by its caption")
priority = find(progress, pyatspi.ROLE_COMBO_BOX)
check(priority is not None and "Приоритет:" in labelled_by(priority), "priority list labelled 'Приоритет:'")
status = find(progress, pyatspi.ROLE_LABEL, "[ПАУЗА] ")
check(status is not None and "Статус:" in labelled_by(status), "status line labelled 'Статус:'")
maximum = gauge_value.maximumValue
press(find(progress, pyatspi.ROLE_PUSH_BUTTON, "Далее"), "Далее")

success = wait_for(lambda: window(pyatspi.ROLE_ALERT, "Information"), "the success prompt", 60)
description, message = prompt_text(success)
wanted = "Диск C:\\ успешно скопирован в %s/one/c.IMA." % files
check(description == wanted and message == wanted, "success prompt reads its message: " + repr(message))
pump(0.2)
check(len(values) >= 2 and values == sorted(values) and values[-1] == maximum and values[0] < maximum,
      "gauge value rose in %d change events, from %s to %s of %s" %
      (len(values), values[0] if values else None, values[-1] if values else None, maximum))
press(button(success, "OK"), "OK")
wait_for(lambda: window(pyatspi.ROLE_ALERT) is None, "the success prompt to close")

press(button(main, "Выход"), "Выход")
if failures:
    print("%d checks failed" % len(failures))
    sys.exit(1)
print("all checks passed")
