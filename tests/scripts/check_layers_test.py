#!/usr/bin/env python3
"""scripts/check-layers.py on small trees: which include in which folder it refuses."""
import contextlib
import io
import pathlib
import runpy
import sys
import tempfile
import unittest

SCRIPT = pathlib.Path(__file__).resolve().parents[2] / "scripts" / "check-layers.py"
check_layers_main = runpy.run_path(str(SCRIPT))["main"]


class CheckLayersTest(unittest.TestCase):
    def test_includes_point_down_and_only_the_platform_sees_the_system(self):
        cases = [
            # folder, include line, refused
            ("cli", "#include <windows.h>", True),
            ("connections", "#include <sys/stat.h>", True),
            ("commands/transfer", "#include <qt6keychain/keychain.h>", True),
            ("connections", "#include <QSettings>", True),
            ("shell", "#include <termios.h>", True),
            ("query", "#include <dlfcn.h>", True),
            ("platform/os", "#include <windows.h>", False),
            ("platform/foxpro", "#include <fcntl.h>", False),
            ("cli", "#include <csignal>", False),  # the C++ library's, not the system's
            ("cli", '#include "platform/os/Console.h"', False),
            ("platform/os", '#include "connections/StopRequest.h"', True),
            ("platform/ado", '#include "platform/os/TextCase.h"', True),
            ("connections", "#include <QWidget>", True),
        ]
        for folder, line, refused in cases:
            with self.subTest(folder=folder, line=line), tempfile.TemporaryDirectory() as root:
                file = pathlib.Path(root) / "src" / folder / "Part.cpp"
                file.parent.mkdir(parents=True)
                file.write_text(line + "\n", encoding="utf-8")
                with contextlib.redirect_stdout(io.StringIO()) as said:
                    status = check_layers_main(root)
                self.assertEqual(status, 1 if refused else 0, said.getvalue())
                self.assertEqual(f"src/{folder}/Part.cpp:1" in said.getvalue(), refused)


if __name__ == "__main__":
    sys.exit(unittest.main())
