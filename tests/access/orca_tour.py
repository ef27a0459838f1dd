#!/usr/bin/env python3
"""A tour of the program by keyboard alone, heard through the screen reader Orca.

The tour starts its own X display, session bus, window manager, Orca and a
simulated board with fixed inputs, then does the five tasks a pupil does
(Direkt; record and evaluate; capture and export; write, send and save a
program; the handbook) with the keys a pupil would press. What Orca says after
each step is taken from its debug file and written as a transcript:

    ## Direkt
    > Tab    # the meter
        Analogeingang Drehknopf.
        3,37 Volt.

The transcript is compared with the one kept beside this file, so that a lost
or changed announcement shows as a difference; within a step the order does
not count, since a status message and a focus change reach Orca in either
order. Before each key the tour waits until Orca has taken every event (a key
that comes while Orca is busy may be lost on its way through the
accessibility bus); after it, until Orca has said what the kept transcript
expects (with --update: until Orca has been quiet for a while).

Exit status: 0 when the transcripts agree, 1 when they differ, 77 when a tool
is missing (Orca, openbox, xdotool, xvfb-run, dbus-run-session).
"""

import argparse
import difflib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

TOOLS = ["orca", "openbox", "xdotool", "xvfb-run", "dbus-run-session"]
INSIDE = "ZENTOR_ORCA_TOUR_INSIDE"

# The tour: (task, keys, comment[, until]). Keys are xdotool key names
# separated by blanks; "type:TEXT" types TEXT, one key per character;
# "launch:first" starts the program with no port chosen, "launch:board" with
# the simulated board's port. With --update a step with "until" is heard
# until Orca has said that text.
TOUR = [
    ("Erster Start", "launch:first", "no port chosen yet: the first-start box"),
    ("Erster Start", "Escape", "closes it as OK does"),
    ("Erster Start", "alt+d b", "Datei, Beenden"),

    ("Start", "launch:board", "with the board's port set"),

    ("Direkt", "ctrl+Tab", "to the page"),
    ("Direkt", "Tab", "the meter"),
    ("Direkt", "space", "Volt or Wert"),
    ("Direkt", "Tab", "the LEDs"),
    ("Direkt", "Right", ""),
    ("Direkt", "Tab Tab Tab Tab Tab Tab", "Pdir Bit 0"),
    ("Direkt", "space", "an output"),
    ("Direkt", "Tab", "Portout Bit 5"),
    ("Direkt", "space", "switched on"),

    ("Aufzeichnen und auswerten", "ctrl+Tab ctrl+Tab", "to Zeitschreiber"),
    ("Aufzeichnen und auswerten", "Tab", "Messdauer"),
    ("Aufzeichnen und auswerten", "Home", "1 Sekunde"),
    ("Aufzeichnen und auswerten", "shift+Tab", "Start"),
    ("Aufzeichnen und auswerten", "space", "record for a second", "Start"),
    ("Aufzeichnen und auswerten", "alt+b Up Return", "Bearbeiten, Auswertung"),
    ("Aufzeichnen und auswerten", "Right", "cursor A one step on"),
    ("Aufzeichnen und auswerten", "Home", "cursor A back to the start"),
    ("Aufzeichnen und auswerten", "Tab", "Kurve"),
    ("Aufzeichnen und auswerten", "Down", "the first fit"),
    ("Aufzeichnen und auswerten", "Tab Tab", "Ergebnis kopieren"),
    ("Aufzeichnen und auswerten", "space", ""),
    ("Aufzeichnen und auswerten", "Escape", "close Auswertung"),

    ("Aufnehmen und exportieren", "ctrl+Tab", "to Oszilloskop"),
    ("Aufnehmen und exportieren", "Tab", "Messen"),
    ("Aufnehmen und exportieren", "space", "capture", "Ok"),
    ("Aufnehmen und exportieren", "alt+d e", "Datei, Messwerte exportieren", "Dateiname"),
    ("Aufnehmen und exportieren", "type:burst Return", "", "Ok"),

    ("Programm schreiben, senden, speichern", "ctrl+Tab", "to Programm"),
    ("Programm schreiben, senden, speichern", "alt+d n", "Datei, Neu"),
    ("Programm schreiben, senden, speichern", "Return", "yes, a new program"),
    ("Programm schreiben, senden, speichern", " ".join(["shift+Tab"] * 9), "back to the labels"),
    ("Programm schreiben, senden, speichern", "Return", "L1: goes in"),
    ("Programm schreiben, senden, speichern", " ".join(["Tab"] * 11), "to Ein-/Ausgaben"),
    ("Programm schreiben, senden, speichern", "End", "Beep"),
    ("Programm schreiben, senden, speichern", "Return", "Beep goes in"),
    ("Programm schreiben, senden, speichern", " ".join(["Tab"] * 11), "to the Delay field"),
    ("Programm schreiben, senden, speichern", "Return", "Delay = 250 goes in"),
    ("Programm schreiben, senden, speichern", " ".join(["shift+Tab"] * 8), "to Sprungbefehle; the jump goes to L1:"),
    ("Programm schreiben, senden, speichern", "Return", "Goto L1: goes in"),
    ("Programm schreiben, senden, speichern", "alt+s", "Send & Start", "gestartet"),
    ("Programm schreiben, senden, speichern", "alt+d s", "Datei, Speichern", "Dateiname"),
    ("Programm schreiben, senden, speichern", "type:blinker Return", "a name without extension"),

    ("Handbuch", "F1", "the handbook opens", "Handbuch"),
    ("Handbuch", "Down", ""),
    ("Handbuch", "Down", ""),
    ("Handbuch", "ctrl+Home", ""),
    ("Handbuch", "Escape", ""),
]

SPEECH = "SPEECH OUTPUT: '"
SPEECH_END = re.compile(r"' ?\{[^{}]*\}$")
VOLATILE = [
    (re.compile(r"\b\d{4}-\d{2}-\d{2} \d{2}-\d{2}"), "JJJJ-MM-TT hh-mm"),
    (re.compile(r"\b\d{1,2}\.\d{1,2}\.(\d{2,4})?"), "T.M."),
    (re.compile(r"\b\d{1,2}:\d{2}(:\d{2})?"), "hh:mm"),
]


# A progress bar is read at Orca's own pace, so whether a step is heard and
# which one depends on the machine's speed.
PROGRESS = re.compile(r"^\d+ Prozent\.?$")


# The recording's times are the clock's: a millisecond more or less; and a
# fit to readings that never change has uncertainties of rounding alone.
MEASURED = re.compile(r"\d+,\d+")
ROUNDING = re.compile(r"\d+,\d{10,}")


def normalise(text, work):
    text = text.replace(work, "…")
    if "Δt" in text:
        text = MEASURED.sub("#", text)
    text = ROUNDING.sub("#", text)
    for pattern, replacement in VOLATILE:
        text = pattern.sub(replacement, text)
    return text.strip()


class Speech:
    """Reads what Orca has said so far from its debug file."""

    def __init__(self, path, work):
        self.path = path
        self.work = work
        self.offset = 0
        self.pending = ""
        self.said = None  # an utterance whose lines are still coming

    def new_lines(self):
        try:
            with open(self.path, "r", encoding="utf-8", errors="replace") as f:
                f.seek(self.offset)
                chunk = f.read()
                self.offset = f.tell()
        except FileNotFoundError:
            return []
        text = self.pending + chunk
        lines = text.split("\n")
        self.pending = lines.pop()
        spoken = []
        for line in lines:
            # Orca writes an utterance of several lines as it is, each
            # further line indented; it is heard as one.
            if self.said is None:
                at = line.find(SPEECH)
                if at < 0:
                    continue
                self.said = line[at + len(SPEECH):]
            else:
                self.said += " " + line.strip()
            end = SPEECH_END.search(self.said)
            if end is None:
                continue
            said = normalise(self.said[:end.start()], self.work)
            self.said = None
            if said and not PROGRESS.match(said):
                spoken.append(said)
        return spoken


def parse_transcript(path):
    """The kept transcript as a list of steps, each the lines heard."""
    steps = []
    if not os.path.exists(path):
        return steps
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if line.startswith("> ") or line == ">":
                steps.append([])
            elif line.startswith("    ") and steps:
                steps[-1].append(line[4:])
    return steps


def key_count(keys):
    count = 0
    for word in keys.split(" ") if keys else []:
        if word.startswith("type:"):
            count += len(word) - 5
        elif not word.startswith("launch:"):
            count += 1
    return count


def send(keys):
    for word in keys.split(" ") if keys else []:
        if word.startswith("type:"):
            subprocess.run(["xdotool", "type", "--delay", "80", word[5:]], check=True)
        else:
            subprocess.run(["xdotool", "key", "--delay", "80", word], check=True)


def listen(speech, expected, update, bound, until=None):
    """What Orca says after a step: until the expected lines were heard and
    a short quiet followed, or (update) until a longer quiet; at most bound
    seconds."""
    heard = []
    start = time.monotonic()
    last = start
    quiet = 1.5 if update else 0.5
    while time.monotonic() - start < bound:
        lines = speech.new_lines()
        if lines:
            heard += lines
            last = time.monotonic()
        if update:
            done = until is None or any(until in line for line in heard)
        else:
            done = expected is not None and sorted(heard) == sorted(expected)
        if done and time.monotonic() - last >= quiet:
            break
        time.sleep(0.05)
    return heard


def orca_prefs(folder):
    """Orca's settings for the tour: no key echo (the transcript names the
    keys itself), no sounds."""
    os.makedirs(folder, exist_ok=True)
    quiet = {"enableKeyEcho": False, "enableSound": False, "enableTutorialMessages": False}
    general = dict(quiet, profile=["Default", "default"], activeProfile=["Default", "default"],
                   startingProfile=["Default", "default"])
    settings = {"general": general,
                "profiles": {"default": dict(quiet, profile=["Default", "default"])},
                "pronunciations": {}, "keybindings": {}}
    with open(os.path.join(folder, "user-settings.conf"), "w", encoding="utf-8") as f:
        json.dump(settings, f, indent=1)
    # Orca writes its debug file through a buffer; the tour reads it while
    # Orca runs, so each line has to reach the file at once.
    open(os.path.join(folder, "__init__.py"), "w").close()
    with open(os.path.join(folder, "orca-customizations.py"), "w", encoding="utf-8") as f:
        f.write("import orca.debug\n"
                "if orca.debug.debugFile:\n"
                "    orca.debug.debugFile.reconfigure(line_buffering=True)\n")


def wait_idle(path, quiet=0.4, bound=15):
    """Until Orca has written nothing for `quiet` seconds (it has taken every
    event), at most `bound` seconds."""
    start = time.monotonic()
    size = -1
    since = start
    while time.monotonic() - start < bound:
        now = os.path.getsize(path) if os.path.exists(path) else 0
        if now != size:
            size = now
            since = time.monotonic()
        elif time.monotonic() - since >= quiet:
            return
        time.sleep(0.05)


def wait_for(predicate, bound, what):
    start = time.monotonic()
    while time.monotonic() - start < bound:
        if predicate():
            return
        time.sleep(0.1)
    raise SystemExit("orca tour: %s did not happen within %d s" % (what, bound))


def tour(args):
    work = tempfile.mkdtemp(prefix="zentor-orca-")
    env = dict(os.environ, LANG="de_DE.UTF-8", LC_ALL="de_DE.UTF-8", LANGUAGE="de",
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               XDG_CONFIG_HOME=os.path.join(work, "config"),
               XDG_CONFIG_DIRS=os.path.join(work, "system-config"),
               XDG_STATE_HOME=os.path.join(work, "state"),
               XDG_DATA_HOME=os.path.join(work, "data"),
               XDG_RUNTIME_DIR=os.path.join(work, "runtime"))
    env.pop("QT_QPA_PLATFORM", None)
    for name in ("config/zentor", "system-config", "state", "data", "runtime", "home"):
        os.makedirs(os.path.join(work, name), mode=0o700, exist_ok=True)
    board = os.path.join(work, "board")
    with open(os.path.join(work, "config/zentor/zentor.ini"), "w", encoding="utf-8") as f:
        f.write("[ZENTOR1]\nCOM=1\n\n[Ports]\nCOM1=%s\n" % board)

    children = []

    def start(command, log, environment=env):
        out = open(os.path.join(work, log), "w")
        child = subprocess.Popen(command, env=environment, cwd=environment.get("HOME", work), stdout=out, stderr=subprocess.STDOUT,
                                 start_new_session=True)
        children.append(child)
        return child

    debug = os.path.join(work, "orca.log")
    speech = Speech(debug, work)
    try:
        start(["openbox"], "openbox.log")
        orca_prefs(os.path.join(work, "orca"))
        # Orca starts its speech server in the session's runtime folder.
        start(["orca", "--replace", "-u", os.path.join(work, "orca"), "--debug-file", debug],
              "orca.out", dict(env, XDG_RUNTIME_DIR=os.environ.get("XDG_RUNTIME_DIR", "/tmp")))
        wait_for(lambda: any("Bildschirmleser an" in l or "Screen reader on" in l
                             for l in speech.new_lines()), 60, "Orca's start")
        # A board whose inputs stand still, so that what is heard is the
        # same in every run: 3,37 V on the analog input, Din on, pins 5.
        start([args.sim, "--link", board, "--analog", "172", "--din", "1", "--pins", "5"],
              "sim.log")
        wait_for(lambda: os.path.exists(board), 30, "the simulated board")
        # The program's file dialogs start in its own home folder; the first
        # start has a configuration folder of its own, with no port chosen.
        home = dict(env, HOME=os.path.join(work, "home"))
        launches = {"board": home,
                    "first": dict(home, XDG_CONFIG_HOME=os.path.join(work, "first-config"))}
        os.makedirs(os.path.join(work, "first-config"), exist_ok=True)

        expected = parse_transcript(args.expected)
        steps = []
        # Each key is a step of its own, heard to its end before the next:
        # Orca passes over a stop that the focus leaves at once, and the
        # transcript would depend on the machine's speed.
        for task, keys, comment, *until in TOUR:
            words = keys.split(" ") if keys else [""]
            for number, word in enumerate(words):
                last = number == len(words) - 1
                index = len(steps)
                # A key reaches the program through Orca; while Orca is
                # still busy with the events of the last step, Qt may lose it.
                wait_idle(debug)
                if word.startswith("launch:"):
                    start([args.app], "zentor-%s.log" % word[7:], launches[word[7:]])
                else:
                    send(word)
                want = expected[index] if index < len(expected) else None
                heard = listen(speech, want, args.update, 60 if index == 0 else args.bound,
                               until[0] if until and last else None)
                # A status message and a focus change race each other:
                # within a step the order of what is said is not compared.
                if want is not None and sorted(heard) == sorted(want):
                    heard = want
                steps.append((task, word, comment if number == 0 else "", heard))
        return steps, work
    finally:
        for child in reversed(children):
            try:
                os.killpg(child.pid, signal.SIGTERM)
            except ProcessLookupError:
                pass
        for child in children:
            try:
                child.wait(10)
            except subprocess.TimeoutExpired:
                os.killpg(child.pid, signal.SIGKILL)


def render(steps):
    lines = ["# What Orca says on a tour of Zentor by keyboard alone.",
             "# '> keys' is what the tour pressed, the indented lines what Orca said.",
             "# Written by make orca-tour UPDATE=1; compared by make orca-tour.", ""]
    counts = {}
    task = None
    for step_task, keys, comment, heard in steps:
        if step_task != task:
            task = step_task
            lines.append("## " + task)
        lines.append(("> " + keys if keys else ">") + ("    # " + comment if comment else ""))
        lines += ["    " + h for h in heard]
        counts[task] = counts.get(task, 0) + key_count(keys)
    lines += ["", "## Tasten je Aufgabe"]
    lines += ["# %s: %d" % (task, count) for task, count in counts.items() if "Start" not in task]
    return "\n".join(lines) + "\n"


def kept_equal(path, text):
    with open(path, encoding="utf-8") as f:
        return f.read() == text


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--app", required=True)
    parser.add_argument("--sim", required=True)
    parser.add_argument("--expected", required=True, help="the kept transcript")
    parser.add_argument("--out", required=True, help="where this run's transcript goes")
    parser.add_argument("--update", action="store_true", help="write the kept transcript anew")
    parser.add_argument("--bound", type=float, default=30, help="seconds a step may take")
    parser.add_argument("--keep", action="store_true", help="keep the logs of a run that agreed")
    args = parser.parse_args()
    for name in ("app", "sim", "expected", "out"):
        setattr(args, name, os.path.abspath(getattr(args, name)))

    missing = [tool for tool in TOOLS if shutil.which(tool) is None]
    if missing:
        print("orca tour skipped: missing " + ", ".join(missing))
        return 77
    if os.environ.get(INSIDE) != "1":
        # Once more, inside a display of its own and a session bus of its own.
        command = ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", "dbus-run-session", "--",
                   sys.executable] + sys.argv
        return subprocess.run(command, env=dict(os.environ, **{INSIDE: "1"})).returncode

    steps, work = tour(args)
    text = render(steps)
    with open(args.out, "w", encoding="utf-8") as f:
        f.write(text)
    if args.update:
        shutil.copyfile(args.out, args.expected)
        print("orca tour: wrote " + args.expected)
    if args.update or kept_equal(args.expected, text):
        if args.keep:
            print("orca tour: logs in " + work)
        else:
            shutil.rmtree(work, ignore_errors=True)
        return 0
    with open(args.expected, encoding="utf-8") as f:
        kept = f.read()
    sys.stdout.writelines(difflib.unified_diff(kept.splitlines(True), text.splitlines(True),
                                               args.expected, args.out))
    print("orca tour: what Orca said differs; logs in " + work)
    return 1


if __name__ == "__main__":
    sys.exit(main())
