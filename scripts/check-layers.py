#!/usr/bin/env python3
"""Fails when an include points up the house: each folder of src/ may include only the folders
below it, and only the shell may include a widget header."""
import pathlib
import re
import sys

# Each layer with the layers it may include (itself always).
ALLOWED = {
    "platform/ado": set(),
    "platform/odbc": {"platform/ado"},
    "platform/foxpro": {"platform/ado"},
    "query": {"platform/ado", "platform/odbc", "platform/foxpro"},
    "connections": {"platform/ado", "platform/odbc", "platform/foxpro"},
    "commands/transfer": {"connections", "platform/ado", "platform/odbc", "platform/foxpro"},
    "commands/maintenance": {"connections", "commands/transfer", "platform/ado", "platform/odbc", "platform/foxpro"},
    "cli": {"connections", "commands/transfer", "commands/maintenance", "platform/ado", "platform/odbc", "platform/foxpro"},
    "shell": {"cli", "connections", "commands/transfer", "commands/maintenance", "platform/ado", "platform/odbc", "platform/foxpro"},
}
WIDGETS = re.compile(r"#include\s*<(QtWidgets/|QtGui/)?(Q(Widget|ListWidget|Application|MessageBox|Dialog|MainWindow|"
                     r"PushButton|LineEdit|Label|ComboBox|CheckBox|FileDialog|InputDialog|ProgressBar|Window|"
                     r"GuiApplication|Pixmap|Icon|Painter|Screen|Font|Image))\b")
INCLUDE = re.compile(r'#include\s*"([^"]+)"')


def layer_of(path):
    for name in sorted(ALLOWED, key=len, reverse=True):
        if path.startswith(name + "/"):
            return name
    return None


def main(root):
    src = pathlib.Path(root) / "src"
    problems = []
    for file in sorted(src.rglob("*")):
        if file.suffix not in (".h", ".cpp"):
            continue
        relative = file.relative_to(src).as_posix()
        layer = layer_of(relative)
        if layer is None:
            problems.append(f"{relative}: in no known folder")
            continue
        for number, line in enumerate(file.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
            if layer != "shell" and WIDGETS.search(line):
                problems.append(f"src/{relative}:{number}: a widget header below the shell: {line.strip()}")
            match = INCLUDE.search(line)
            if not match:
                continue
            target = layer_of(match.group(1))
            if target is not None and target != layer and target not in ALLOWED[layer]:
                problems.append(f"src/{relative}:{number}: {layer} may not include {match.group(1)}")
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else "."))
