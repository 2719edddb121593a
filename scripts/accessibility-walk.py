#!/usr/bin/python3
"""Walks the desktop program's window through the AT-SPI accessibility bus,
as a screen reader does, and prints every object as "role: name".

Usage: accessibility-walk.py [--select TEXT] [--timeout SECONDS]

Waits until the program is on the bus and its sensor tree holds a sensor
(the start-up scan has ended), prints the window, then, with --select,
clicks the first tree item whose name starts with TEXT (through xdotool, at
the place the item reports), waits for two flash ticks and prints the
lists and the status bar again. Exits 1 when the program or the sensor never appears."""

import argparse
import subprocess
import sys
import time

import pyatspi


def find_app(timeout):
    deadline = time.time() + timeout
    while time.time() < deadline:
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and (app.name or "").lower() == "ktrsetup":
                return app
        time.sleep(0.2)
    return None


def walk(acc, visit, depth=0):
    visit(acc, depth)
    for i in range(acc.childCount):
        child = acc.getChildAtIndex(i)
        if child is not None:
            walk(child, visit, depth + 1)


def find(root, test):
    found = []
    walk(root, lambda acc, depth: found.append(acc) if test(acc) else None)
    return found


def showing(acc):
    return acc.getState().contains(pyatspi.STATE_SHOWING)


def print_tree(root):
    def visit(acc, depth):
        if showing(acc) or depth == 0:
            print("%s%s: %r" % ("  " * depth, acc.getRoleName(), acc.name))
    walk(root, visit)


def sensor_items(app, prefix):
    return find(app, lambda acc: (acc.name or "").startswith(prefix) and showing(acc))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--select", default="")
    parser.add_argument("--timeout", type=float, default=20)
    args = parser.parse_args()

    app = find_app(args.timeout)
    if app is None:
        print("accessibility: ktrsetup is not on the accessibility bus", file=sys.stderr)
        return 1
    appeared = time.time()
    deadline = appeared + args.timeout
    while not sensor_items(app, "Sensor:") and time.time() < deadline:
        time.sleep(0.1)
    print("(sensors in the tree %.1f s after the program appeared on the bus)" %
          (time.time() - appeared))
    print_tree(app)
    if not args.select:
        return 0
    items = sensor_items(app, args.select)
    if not items:
        print("accessibility: no tree item %r" % args.select, file=sys.stderr)
        return 1
    x, y, w, h = items[0].queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    subprocess.run(["xdotool", "mousemove", str(x + w // 2), str(y + h // 2), "click", "1"],
                   check=True)
    time.sleep(1.3)
    print("\nAfter clicking %r, the lists and the status bar:" % items[0].name)
    lists = find(app, lambda acc: acc.getRole() in (pyatspi.ROLE_TREE, pyatspi.ROLE_TREE_TABLE))
    for acc in lists[1:] + find(app, lambda acc: acc.getRole() == pyatspi.ROLE_STATUS_BAR):
        print_tree(acc)
    return 0


if __name__ == "__main__":
    sys.exit(main())
