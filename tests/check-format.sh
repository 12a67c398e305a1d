#!/bin/sh
# Every C++ source follows the project's .clang-format; prints what differs.
# usage: check-format.sh <source dir>
cd "$1" || exit 2
FORMAT=$(command -v clang-format-14 || command -v clang-format) || {
    echo "clang-format is not installed (scripts/install-deps installs it)"
    exit 1
}
find app automation bench capture filters fuzz graph inlay media platform prefs support tests \
    -name '*.cpp' -o -name '*.h' | sort | xargs "$FORMAT" --dry-run --Werror
