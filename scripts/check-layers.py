#!/usr/bin/env python3
"""Fails when an include points up the house: each folder of src/ may include only the folders
below it, only the shell may include a widget header, and only the platform may include an
operating system's header (the layers above reach the system through the seams in platform/)."""
import pathlib
import re
import sys

# Each layer with the layers it may include (itself always).
ALLOWED = {
    "platform/ado": set(),
    "platform/odbc": {"platform/ado"},
    "platform/foxpro": {"platform/ado"},
    "platform/os": {"platform/ado"},
}
PLATFORM = set(ALLOWED)
ALLOWED.update({
    "query": PLATFORM,
    "connections": PLATFORM,
    "commands/transfer": {"connections"} | PLATFORM,
    "commands/maintenance": {"connections", "commands/transfer"} | PLATFORM,
    "cli": {"connections", "commands/transfer", "commands/maintenance"} | PLATFORM,
    "shell": {"cli", "connections", "commands/transfer", "commands/maintenance"} | PLATFORM,
})
WIDGETS = re.compile(r"#include\s*<(QtWidgets/|QtGui/)?(Q(Widget|ListWidget|Application|MessageBox|Dialog|MainWindow|"
                     r"PushButton|LineEdit|Label|ComboBox|CheckBox|FileDialog|InputDialog|ProgressBar|Window|"
                     r"GuiApplication|Pixmap|Icon|Painter|Screen|Font|Image))\b")
# The system's own headers (Windows, POSIX) and the Qt classes that stand for a system store
# (the settings file or registry, the keyring).
SYSTEM = re.compile(r"#include\s*<(windows\.h|win\w*\.h|shellapi\.h|shlobj\.h|io\.h|direct\.h|unistd\.h|signal\.h|"
                    r"termios\.h|dlfcn\.h|fcntl\.h|dirent\.h|poll\.h|pthread\.h|pwd\.h|grp\.h|spawn\.h|sys/[\w/]+\.h|"
                    r"qt6keychain/[\w/]+\.h|(QtCore/)?QSettings)>")
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
            if layer not in PLATFORM and SYSTEM.search(line):
                problems.append(f"src/{relative}:{number}: a system header above the platform: {line.strip()}")
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
