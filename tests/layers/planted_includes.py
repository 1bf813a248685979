#!/usr/bin/env python3
"""Plants includes against the layers and expects them refused.

Each plant is written into a scratch tree that scripts/check-layers must
reject, naming file and line, while the includes a layer may use pass; where
the library's include folders are what stops it, the plant is also compiled
against that library (the build's qm_planted_<library> target) and the
compiler must fail to find the header, while an allowed include compiles.

Usage: planted_includes.py SOURCE_DIR BUILD_DIR
"""
import pathlib
import subprocess
import sys
import tempfile

# (file in the tree, include line, library it is compiled against or None,
#  what check-layers must say)
PLANTS = [
    ("transfer/plant.cpp", "#include <app/quillmark_app.h>", "qmtransfer",
     "transfer/ may not include app/"),
    ("transfer/plant.h", '#include "posting/score_file.h"', "qmtransfer",
     "transfer/ may not include posting/"),
    ("transfer/climb.cpp", '#include "../app/quillmark_app.h"', None,
     "transfer/ may not include app/"),
    ("platform/plant.cpp", '#include "transfer/ftp_worker.h"', "qmplatform",
     "platform/ may not include transfer/"),
    ("standin/plant.cpp", "#include <transfer/ftp_worker.h>", "qmstandin",
     "standin/ may not include transfer/"),
    ("app/plant.cpp", '#include "wx/string.h"', "qmcore",
     "wxWidgets outside the window code"),
    ("posting/plant.cpp", "#include <ui/main_frame.h>", "qmcore",
     "posting/ may not include ui/"),
    ("app/standin_plant.cpp", '#include "standin/standin_layout.h"', "qmcore",
     "app/ may not include standin/"),
    ("tests/unit/plant.cpp", '#include "ui/main_frame.h"', "qmtestsupport",
     "only window tests and benchmarks include ui/"),
]

# What each library may include: the plant's source must compile with it.
ALLOWED = {
    "qmplatform": '#include "platform/text_helpers.h"',
    "qmstandin": "#include <platform/text_helpers.h>",
    "qmtransfer": '#include "transfer/ftp_worker.h"',
    "qmcore": '#include "transfer/ftp_worker.h"\n#include <app/quillmark_app.h>',
    "qmtestsupport": '#include "posting/score_file.h"',
}

# Includes that follow the layers: the check passes them.
CLEAN = [
    ("transfer/clean.cpp", '#include "platform/text_helpers.h"\n#include <transfer/ftp_worker.h>\n'
                           '#include "ftp_worker.h"\n#include <vector>\n'),
    ("app/clean.cpp", '#include "../posting/score_file.h"\n#include <transfer/ftp_worker.h>\n'),
    ("ui/clean.cpp", "#include <wx/string.h>\n#include \"app/quillmark_app.h\"\n"),
    ("tests/gui/clean.cpp", '#include "ui/main_frame.h"\n#include <wx/frame.h>\n'),
]


def check_tree(source):
    """The check reports every plant, at its line, and nothing else."""
    failures = []
    with tempfile.TemporaryDirectory() as scratch:
        root = pathlib.Path(scratch)
        for name, text in CLEAN:
            (root / name).parent.mkdir(parents=True, exist_ok=True)
            (root / name).write_text(text)
        for name, include, _, _ in PLANTS:
            (root / name).parent.mkdir(parents=True, exist_ok=True)
            with open(root / name, "a") as f:
                f.write("// planted\n" + include + "\n")
        run = subprocess.run([sys.executable, str(source / "scripts/check-layers"), str(root)],
                             capture_output=True, text=True)
        reported = set(run.stdout.splitlines())
        expected = set()
        for name, include, _, why in PLANTS:
            header = include.split(None, 1)[1][1:-1]
            expected.add(f"{name}:2: #include {header}: {why}")
        for line in sorted(expected - reported):
            failures.append(f"check-layers missed: {line}")
        for line in sorted(reported - expected):
            failures.append(f"check-layers reported a sound include: {line}")
        if run.returncode == 0:
            failures.append("check-layers passed a tree with planted includes")
    return failures


def compile_plant(build, library, text):
    source = build / "planted" / f"{library}.cpp"
    source.write_text(text + "\n")
    run = subprocess.run(["cmake", "--build", str(build), "--target", f"qm_planted_{library}"],
                         capture_output=True, text=True)
    return run.returncode, run.stdout + run.stderr


def compile_plants(build):
    """The compiler refuses each plant for want of the header."""
    failures = []
    try:
        for library, allowed in ALLOWED.items():
            rc, output = compile_plant(build, library, allowed)
            if rc != 0:
                failures.append(f"{library}: allowed includes do not compile:\n{output}")
                continue
            for _, include, target, _ in PLANTS:
                if target != library:
                    continue
                header = include.split(None, 1)[1][1:-1]
                rc, output = compile_plant(build, library, allowed + "\n" + include)
                refused = header in output and ("No such file" in output or "not found" in output)
                if rc == 0 or not refused:
                    failures.append(f"{library} compiled or failed otherwise with {include}:\n{output}")
    finally:
        for library in ALLOWED:
            (build / "planted" / f"{library}.cpp").write_text("// The layer test writes includes here.\n")
    return failures


def main():
    source, build = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])
    failures = check_tree(source) + compile_plants(build)
    for failure in failures:
        print(failure)
    cases = len(PLANTS) + len(CLEAN) + len(ALLOWED) + sum(1 for p in PLANTS if p[2])
    print(f"{max(cases - len(failures), 0)} passed, {len(failures)} failed")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
