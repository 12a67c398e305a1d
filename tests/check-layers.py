#!/usr/bin/env python3
"""Holds the sources and docs/ARCHITECTURE.md to the layers the build declares.

The build writes its declarations to <build>/layers.txt, one library a line:
"name: libraries it builds on | packages it links". This check fails when
  - a source file includes a header of a library its own library does not
    build on (directly or through another);
  - a library that does not link Qt Widgets includes a Widgets header;
  - a file outside graph/ and media/ includes a GStreamer header;
  - the layer graph in docs/ARCHITECTURE.md differs from the declarations.

usage: check-layers.py <source dir> <build dir>
"""
import os
import re
import sys

UI_FILE = re.compile(r"(Form|Frame|Panel|Edit|Gauge)\.(h|cpp)$")
OWN_INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+)/([A-Za-z0-9_]+\.h)"', re.M)
SYSTEM_INCLUDE = re.compile(r"^\s*#\s*include\s+<([^>]+)>", re.M)
DOC_BLOCK = re.compile(r"<!-- layers -->\n```text\n(.*?)```", re.S)
GSTREAMER_FOLDERS = {"graph", "media"}


def library_of(folder, name):
    if folder == "app":
        return "app"
    return folder + "_ui" if UI_FILE.search(name) else folder


def read_declarations(build):
    layers, deps, uses = [], {}, {}
    with open(os.path.join(build, "layers.txt"), encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line:
                continue
            name, rest = line.split(":", 1)
            below, packages = rest.split("|", 1)
            layers.append(name)
            deps[name] = below.split()
            uses[name] = packages.split()
    return layers, deps, uses


def closure(deps):
    reach = {}
    for lib in deps:  # declared bottom up: what a library builds on is known
        seen = set()
        for d in deps[lib]:
            seen.add(d)
            seen |= reach.get(d, set())
        reach[lib] = seen
    return reach


def widgets_headers():
    for base in ("/usr/include/x86_64-linux-gnu/qt6/QtWidgets", "/usr/include/qt6/QtWidgets"):
        if os.path.isdir(base):
            return set(os.listdir(base))
    return set()


def main():
    source, build = sys.argv[1], sys.argv[2]
    layers, deps, uses = read_declarations(build)
    reach = closure(deps)
    widgets = widgets_headers()
    folders = {lib[:-3] if lib.endswith("_ui") else lib for lib in layers}
    faults = []
    for folder in sorted(folders):
        path = os.path.join(source, folder)
        if not os.path.isdir(path):
            continue
        for name in sorted(os.listdir(path)):
            if not name.endswith((".h", ".cpp")):
                continue
            lib = library_of(folder, name)
            where = f"{folder}/{name}"
            with open(os.path.join(path, name), encoding="utf-8") as f:
                text = f.read()
            for target_folder, header in OWN_INCLUDE.findall(text):
                target = library_of(target_folder, header)
                if target != lib and target not in reach.get(lib, set()):
                    faults.append(f"{where} ({lib}) includes {target_folder}/{header} ({target}), "
                                  f"which {lib} does not build on")
            links_widgets = "Qt6::Widgets" in uses.get(lib, [])
            for header in SYSTEM_INCLUDE.findall(text):
                base = header.split("/")[-1]
                if not links_widgets and (header.startswith("QtWidgets/") or base in widgets):
                    faults.append(f"{where} ({lib}) includes the Widgets header <{header}>")
                if header.startswith("gst/") and folder not in GSTREAMER_FOLDERS:
                    faults.append(f"{where} includes the GStreamer header <{header}>")

    expected = "".join(f"{lib}: {' '.join(deps[lib])}\n".replace(": \n", ":\n") for lib in layers)
    with open(os.path.join(source, "docs", "ARCHITECTURE.md"), encoding="utf-8") as f:
        doc = DOC_BLOCK.search(f.read())
    if not doc:
        faults.append("docs/ARCHITECTURE.md has no layer graph (<!-- layers --> and a text block)")
    elif doc.group(1) != expected:
        faults.append("docs/ARCHITECTURE.md shows another layer graph than the build declares; "
                      "the declared one is:\n" + expected)

    for fault in faults:
        print(fault)
    print(f"{len(layers)} libraries, {len(faults)} faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
