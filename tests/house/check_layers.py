#!/usr/bin/env python3
"""The layering of the C++ tree: every #include "..." points to the file's own layer or below,
no two files include each other (nor any longer circle), and the portable core names no
platform header.

    python3 tests/house/check_layers.py [REPO]

The layers, from the ground up: commands/, engine/, record/, score/, view/, app/, then the two
shells win32/ and qt/ (which never include each other). tools/, tests/ and bench/ stand on top
and may include anything. Files named *_win32.cpp or *_posix.cpp are the core's platform-split
pieces and may include their platform's headers. Exit code 0 when all is well.
"""

import re
import sys
from pathlib import Path

LAYERS = {"commands": 0, "engine": 1, "record": 2, "score": 3, "view": 4, "app": 5,
          "win32": 6, "qt": 6}
CORE = {"commands", "engine", "record", "score", "view", "app"}
TOP = {"tools", "tests", "bench"}
PLATFORM = re.compile(r"^(windows\.h|mmsystem\.h|commctrl\.h|commdlg\.h|Q\w+|Qt\w*/|X11/|"
                      r"fluidsynth|pulse/|alsa/|unistd\.h|fcntl\.h|sys/)")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def sources(repo):
    for folder in list(LAYERS) + sorted(TOP):
        for path in sorted((repo / folder).rglob("*")):
            if path.suffix in (".h", ".cpp") and path.is_file():
                yield path.relative_to(repo).as_posix()


def main(repo):
    problems = []
    graph = {}
    for name in sources(repo):
        folder = name.split("/", 1)[0]
        text = (repo / name).read_text("utf-8", "replace")
        graph[name] = []
        for kind, target in INCLUDE.findall(text):
            if kind == "<":
                split = re.search(r"_(win32|posix)\.cpp$", name)
                if folder in CORE and not split and PLATFORM.match(target):
                    problems.append("%s: the core includes the platform header <%s>"
                                    % (name, target))
                continue
            graph[name].append(target)
            to = target.split("/", 1)[0]
            if folder in TOP or to not in LAYERS:
                continue
            if LAYERS[to] > LAYERS[folder] or (LAYERS[to] == LAYERS[folder] and to != folder):
                problems.append("%s includes %s: an include that points up" % (name, target))
    problems += circles(graph)
    for problem in problems:
        print(problem)
    print("%d files, %d includes: %s" % (len(graph), sum(map(len, graph.values())),
                                        "%d problems" % len(problems) if problems else "all point down"))
    return 1 if problems else 0


def circles(graph):
    """Every circle of includes, once (a file that reaches itself again)."""
    found, state, path = [], {}, []

    def visit(node):
        state[node] = 1
        path.append(node)
        for target in graph.get(node, []):
            if state.get(target) == 1:
                found.append("an include circle: " + " -> ".join(path[path.index(target):] + [target]))
            elif target in graph and target not in state:
                visit(target)
        path.pop()
        state[node] = 2
    for node in graph:
        if node not in state:
            visit(node)
    return found


if __name__ == "__main__":
    sys.exit(main(Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[2])))
