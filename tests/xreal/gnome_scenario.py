#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
# Both programs on GNOME under Wayland, as a family meets them there: run inside
# with_gnome_shell.sh, clicked through the shell's virtual pointer, and read from the shell's side
# (org.gnome.Shell.Eval): which window is whose dialog, what minimising leaves on the screen, the
# board window's size after a deal, and the exit status.
# Usage: gnome_scenario.py <build folder>
import ast
import json
import os
import struct
import subprocess
import sys
import tempfile
import time
import zlib

BUILD = os.path.abspath(sys.argv[1])
DIALOG = "Výběr obrázků"
# The title bar drawn in the window where the compositor draws none puts its boxes (18 px square,
# 6 px below the window's top) at these distances from the window's right edge.
BOXES = {"close": 26, "maximise": 49, "minimise": 72}
BOX = 18
MAXIMISE_BOX = BOXES["maximise"] - BOX // 2
MINIMISE_BOX = BOXES["minimise"] - BOX // 2
failures = []


def shell(js):
    out = subprocess.run(["gdbus", "call", "--session", "--dest", "org.gnome.Shell", "--object-path",
                          "/org/gnome/Shell", "--method", "org.gnome.Shell.Eval", js],
                         capture_output=True, text=True, timeout=10).stdout.strip()
    if not out.startswith("(true, "):
        raise RuntimeError(f"the shell did not answer: {out or 'nothing'}")
    return json.loads(ast.literal_eval(out[len("(true, "):-1]) or "null")


WINDOWS = """global.get_window_actors().map(a => a.meta_window).map(w => {
    const r = w.get_frame_rect(), t = w.get_transient_for();
    return {id: w.get_id(), title: w.get_title(), pid: w.get_pid(), x: r.x, y: r.y, w: r.width, h: r.height,
            minimized: w.minimized, maximized: w.get_maximized() != 0, type: w.window_type,
            parent: t ? t.get_id() : null};
})"""


def windows(pid):
    return [w for w in shell(WINDOWS) if w["pid"] == pid]


def window(pid, title):
    return next((w for w in windows(pid) if w["title"] == title), None)


def png_rows(path):
    """The rows of an 8-bit RGB or RGBA PNG, as bytes."""
    data = open(path, "rb").read()
    pos, packed = 8, b""
    while pos < len(data):
        (length,), kind = struct.unpack(">I", data[pos:pos + 4]), data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            width, height, _, colour = struct.unpack(">IIBB", body[:10])
        elif kind == b"IDAT":
            packed += body
    step = {2: 3, 6: 4}[colour]
    raw, stride, rows = zlib.decompress(packed), width * step, []
    previous = bytearray(stride)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            a = line[x - step] if x >= step else 0
            b, c = previous[x], previous[x - step] if x >= step else 0
            guess = {0: 0, 1: a, 2: b, 3: (a + b) // 2}.get(kind)
            if guess is None:  # Paeth
                p = a + b - c
                guess = a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else b if abs(p - b) <= abs(p - c) else c
            line[x] = (line[x] + guess) & 255
        rows.append(bytes(line))
        previous = line
    return rows


def boxes(win):
    """Which boxes the window's title bar shows: a box's square holds more than one colour."""
    shown = {}
    for name, right in BOXES.items():
        with tempfile.NamedTemporaryFile(suffix=".png") as shot:
            subprocess.run(["gdbus", "call", "--session", "--dest", "org.gnome.Shell.Screenshot",
                            "--object-path", "/org/gnome/Shell/Screenshot", "--method",
                            "org.gnome.Shell.Screenshot.ScreenshotArea", str(win["x"] + win["w"] - right),
                            str(win["y"] + 6), str(BOX), str(BOX), "false", shot.name],
                           capture_output=True, timeout=10, check=True)
            rows = png_rows(shot.name)
        shown[name] = len({row[i:i + 3] for row in rows for i in range(0, len(row), len(row) // BOX)}) > 1
    return shown


def click(x, y):
    shell("""(() => { const Clutter = imports.gi.Clutter, GLib = imports.gi.GLib;
        if (!globalThis.plamkovPointer)
            globalThis.plamkovPointer = Clutter.get_default_backend().get_default_seat()
                .create_virtual_device(Clutter.InputDeviceType.POINTER_DEVICE);
        const p = globalThis.plamkovPointer;
        p.notify_absolute_motion(GLib.get_monotonic_time(), %d, %d);
        p.notify_button(GLib.get_monotonic_time(), Clutter.BUTTON_PRIMARY, Clutter.ButtonState.PRESSED);
        p.notify_button(GLib.get_monotonic_time(), Clutter.BUTTON_PRIMARY, Clutter.ButtonState.RELEASED);
    })()""" % (x, y))


def on_window(window_id, call):
    shell("global.get_window_actors().map(a => a.meta_window).filter(w => w.get_id() == %d)"
          ".forEach(w => w.%s)" % (window_id, call))


def wait_for(what, timeout=10.0):
    end = time.monotonic() + timeout
    while True:
        found = what()
        if found or time.monotonic() > end:
            return found
        time.sleep(0.1)


def settle():
    # The compositor and the program answer each other a few times after an action.
    time.sleep(1.0)


def check(ok, text):
    print(("ok   " if ok else "FAIL ") + text, flush=True)
    if not ok:
        failures.append(text)
    return ok


def start(program, folder):
    env = dict(os.environ, QT_QPA_PLATFORM="wayland", PULSE_SERVER="unix:/nonexistent")
    log = open(os.path.join(folder, program + ".log"), "w+")
    return subprocess.Popen([os.path.join(BUILD, program)], cwd=folder, env=env, stdout=log,
                            stderr=subprocess.STDOUT), log


def finish(process, log, main_id, name):
    on_window(main_id, "delete(global.get_current_time())")
    try:
        status = process.wait(timeout=15)
    except subprocess.TimeoutExpired:
        process.kill()
        status = "none: it would not end"
    check(status == 0, f"{name} ends with 0 when its window is closed (status {status})")
    log.seek(0)
    output = log.read()
    check(output == "", f"{name} prints nothing" + (f": {output!r}" if output else ""))


def dialog_stranding(process, game):
    """None when the game is not left on the screen with its dialog gone, else what is wrong."""
    shown = [w for w in windows(process.pid) if w["title"] == DIALOG and not w["minimized"]]
    current = window(process.pid, "Pexeso")
    if current["minimized"] or shown:
        return None
    return "the dialog is minimised and the game stands on the screen without it"


def stopped(play):
    """Runs play(process, log) on a started program and stops the program whatever happens."""
    def run(program, folder):
        process, log = start(program, folder)
        try:
            play(process, log)
        finally:
            if process.poll() is None:
                process.kill()
                process.wait()
    return run


@stopped
def memory_game(process, log):
    game = wait_for(lambda: window(process.pid, "Pexeso"))
    if not check(game is not None, "pexeso: its window comes up"):
        return
    settle()
    game = window(process.pid, "Pexeso")
    # Its menu bar lies below the title bar Qt draws (30 px) or the compositor's none.
    top = game["y"] + (30 if game["h"] > 551 - 34 else 0)
    menu = None
    for _ in range(3):
        click(game["x"] + 18, top + 9)
        menu = wait_for(lambda: [w for w in windows(process.pid) if w["title"] is None], 2)
        if menu:
            break
    if not check(bool(menu), "pexeso: \"Hra\" opens its menu"):
        return
    click(menu[0]["x"] + 30, menu[0]["y"] + 10)
    dialog = wait_for(lambda: window(process.pid, DIALOG))
    if not check(dialog is not None, f"pexeso: \"Nová\" opens \"{DIALOG}\""):
        return
    settle()
    dialog = window(process.pid, DIALOG)
    check(dialog["parent"] == game["id"], f"the dialog's parent is the game's window ({dialog['parent']})")
    check(dialog["type"] == 4, f"the shell treats it as a modal dialog (window type {dialog['type']})")
    inside = (game["x"] <= dialog["x"] and dialog["x"] + dialog["w"] <= game["x"] + game["w"] and
              game["y"] <= dialog["y"] and dialog["y"] + dialog["h"] <= game["y"] + game["h"])
    check(inside, f"the dialog stands over the game ({dialog['x']},{dialog['y']} in "
                  f"{game['x']},{game['y']} {game['w']}x{game['h']})")

    shown = boxes(dialog)
    check(shown == {"close": True, "maximise": False, "minimise": False},
          f"the dialog's title bar shows its close box alone ({shown})")
    shown = boxes(game)
    check(all(shown.values()), f"the game's title bar shows all three boxes ({shown})")
    # The spot where a title bar holds its minimise box: the dialog must have none.
    click(dialog["x"] + dialog["w"] - MINIMISE_BOX, dialog["y"] + 15)
    settle()
    after = window(process.pid, DIALOG)
    check(after is not None and after["id"] == dialog["id"] and not after["minimized"],
          "a press where a title bar holds its minimise box leaves the dialog as it was")
    check(dialog_stranding(process, game) is None, "after that press the game is not stranded")

    # The compositor minimises it anyway (its keyboard shortcut, or a box of its own).
    dialog = window(process.pid, DIALOG)
    on_window(dialog["id"], "minimize()")
    settle()
    wrong = wait_for(lambda: dialog_stranding(process, game) is None, 5)
    check(wrong, "when the compositor minimises the dialog, the game is not left on the screen without it"
          + ("" if wrong else f" ({dialog_stranding(process, game)})"))

    # "OK" deals; the window then takes the board's size: 162 x 121 less client area than at start.
    dialog = wait_for(lambda: next((w for w in windows(process.pid)
                                    if w["title"] == DIALOG and not w["minimized"]), None), 5)
    if dialog is None:
        on_window(window(process.pid, DIALOG)["id"], "unminimize()")
        dialog = wait_for(lambda: window(process.pid, DIALOG))
    dialog_top = dialog["y"] + (dialog["h"] - 392 if dialog["h"] > 392 else 0)
    click(dialog["x"] + 3 + 144 + 37, dialog_top + 360 + 12)
    gone = wait_for(lambda: window(process.pid, DIALOG) is None)
    if not check(gone, "\"OK\" closes the dialog"):
        return
    want = (game["w"] - 162, game["h"] - 121)
    wait_for(lambda: (window(process.pid, "Pexeso")["w"], window(process.pid, "Pexeso")["h"]) == want)
    settle()
    board = window(process.pid, "Pexeso")
    check((board["w"], board["h"]) == want,
          f"after the deal the window has the board's size ({board['w']}x{board['h']}, wanted {want[0]}x{want[1]})")

    # A size the player gives by hand stays.
    by_hand = (board["w"] + 60, board["h"] + 40)
    on_window(board["id"], "move_resize_frame(true, %d, %d, %d, %d)" % (board["x"], board["y"], *by_hand))
    settle()
    now = window(process.pid, "Pexeso")
    check((now["w"], now["h"]) == by_hand,
          f"a size given by hand stays ({now['w']}x{now['h']}, given {by_hand[0]}x{by_hand[1]})")
    finish(process, log, board["id"], "pexeso")


@stopped
def fire_game(process, log):
    main = wait_for(lambda: window(process.pid, "Plamkov"))
    if not check(main is not None, "plamkov: its window comes up"):
        return
    settle()
    main = window(process.pid, "Plamkov")
    shown = boxes(main)
    check(shown == {"close": True, "maximise": False, "minimise": True},
          f"the fixed-size window's title bar shows no maximise box ({shown})")
    # Its size is fixed: the spot of a maximise box must do nothing.
    click(main["x"] + main["w"] - MAXIMISE_BOX, main["y"] + 15)
    settle()
    now = window(process.pid, "Plamkov")
    check(not now["maximized"] and (now["x"], now["y"]) == (main["x"], main["y"]),
          "a press where a title bar holds its maximise box leaves the fixed-size window as it was")
    finish(process, log, now["id"], "plamkov")


def main():
    scratch = os.environ.get("PLAMKOV_SCRATCH") or BUILD
    memory_game("pexeso", BUILD)
    fire_game("plamkov", scratch)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
