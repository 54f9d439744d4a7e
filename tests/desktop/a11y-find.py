#!/usr/bin/python3
"""Finds a showing widget of a running application through the accessibility tree (AT-SPI 2) and
prints its screen rectangle as "X Y WIDTH HEIGHT"; exits 1 when there is none.

Usage: a11y-find.py APP NAME [ROLE] [--within NAME]
  APP: the application's accessible name (its process name); NAME: the widget's accessible name,
  exactly; ROLE: its role as AT-SPI names it ("page tab", "slider", "check box", "push button",
  "text", ...); --within: only below the first showing widget of that name (a window's title,
  or a container's name).
The accessibility bus must have been switched on before the application started
(tests/desktop/run-desktop.sh does that with MEBO_TEST_A11Y=1).
"""
import sys

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi  # noqa: E402

# Trees of a few thousand nodes are walked in well under a second; deeper is a loop.
MAX_DEPTH = 40


def showing(node):
    try:
        states = node.get_state_set()
        return states.contains(Atspi.StateType.SHOWING) and states.contains(Atspi.StateType.VISIBLE)
    except gi.repository.GLib.Error:
        return False


def find(node, name, role, depth=0):
    if depth > MAX_DEPTH or node is None:
        return None
    try:
        if node.get_name() == name and (role is None or node.get_role_name() == role) and showing(node):
            return node
        count = node.get_child_count()
    except gi.repository.GLib.Error:
        return None
    for i in range(count):
        try:
            child = node.get_child_at_index(i)
        except gi.repository.GLib.Error:
            continue
        # Hidden subtrees (another tab's page, a closed menu) hold nothing showing.
        if child is not None and (depth < 2 or showing(child)):
            hit = find(child, name, role, depth + 1)
            if hit is not None:
                return hit
    return None


def main(argv):
    within = None
    if "--within" in argv:
        i = argv.index("--within")
        within = argv[i + 1]
        argv = argv[:i] + argv[i + 2:]
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    app_name, name = argv[1], argv[2]
    role = argv[3] if len(argv) > 3 else None
    desktop = Atspi.get_desktop(0)
    for i in range(desktop.get_child_count()):
        app = desktop.get_child_at_index(i)
        if app is None or app.get_name() != app_name:
            continue
        root = find(app, within, None) if within else app
        hit = find(root, name, role) if root is not None else None
        if hit is None:
            continue
        r = hit.get_extents(Atspi.CoordType.SCREEN)
        if r.width <= 0 or r.height <= 0:
            continue
        print(r.x, r.y, r.width, r.height)
        return 0
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
