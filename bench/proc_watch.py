#!/usr/bin/env python3
"""Runs one command and watches the processes it makes, for the install
benchmark.

    proc_watch.py --match NAME [--window TITLE | --mark TITLE] [--timeout S] -- COMMAND...

Prints one line: "<seconds> <peak RssAnon KiB> <window seconds or ->".
  seconds     wall time from the start of COMMAND to its end (with --window:
              to the moment the window was seen, after which the command is
              ended)
  peak        the highest RssAnon (anonymous resident memory, /proc/PID/status)
              any single process whose command line holds NAME reached,
              sampled every 10 ms; under Wine that is the Windows program's
              own private memory, its mapped program file not counted
  window      with --window or --mark: seconds until a mapped X window whose
              name holds TITLE appeared (xwininfo on $DISPLAY); --window then
              ends the command, --mark lets it run on
Exit status: COMMAND's, or 124 when the timeout hit.
"""
import argparse
import os
import re
import signal
import subprocess
import sys
import time


def rss_anon_kib(pid):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith("RssAnon:"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def matching_pids(name, own):
    found = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit() or int(entry) in own:
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                cmd = f.read().replace(b"\0", b" ").decode("utf-8", "replace").lower()
        except OSError:
            continue
        if name in cmd:
            found.append(int(entry))
    return found


def window_shown(title):
    try:
        tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True,
                              timeout=5).stdout
    except (OSError, subprocess.TimeoutExpired):
        return False
    for line in tree.splitlines():
        m = re.match(r'\s*(0x[0-9a-f]+) "([^"]*)"', line)
        if not m or title not in m.group(2):
            continue
        info = subprocess.run(["xwininfo", "-id", m.group(1)], capture_output=True, text=True,
                              timeout=5).stdout
        if "IsViewable" in info:
            return True
    return False


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--match", required=True)
    ap.add_argument("--window")
    ap.add_argument("--mark")
    ap.add_argument("--timeout", type=float, default=600)
    ap.add_argument("command", nargs=argparse.REMAINDER)
    a = ap.parse_args()
    command = a.command[1:] if a.command[:1] == ["--"] else a.command
    name = a.match.lower()
    own = {os.getpid()}

    start = time.monotonic()
    child = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                             start_new_session=True)
    peak = 0
    window_at = None
    status = None
    while True:
        for pid in matching_pids(name, own):
            peak = max(peak, rss_anon_kib(pid))
        status = child.poll()
        now = time.monotonic()
        if status is not None:
            break
        if a.window and window_at is None and window_shown(a.window):
            window_at = now - start
            os.killpg(child.pid, signal.SIGTERM)
            child.wait()
            status = 0
            break
        if a.mark and window_at is None and window_shown(a.mark):
            window_at = now - start
        if now - start > a.timeout:
            os.killpg(child.pid, signal.SIGKILL)
            child.wait()
            status = 124
            break
        time.sleep(0.01)
    elapsed = window_at if a.window and window_at is not None else time.monotonic() - start
    print(f"{elapsed:.3f} {peak} {'-' if window_at is None else f'{window_at:.3f}'}")
    sys.exit(status)


if __name__ == "__main__":
    main()
