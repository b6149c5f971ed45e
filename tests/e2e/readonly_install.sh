#!/bin/sh
# The program folder of an install for all users, as one of its users meets it: Kanjiforge.exe in a
# folder the user cannot write to, with only the settings file and TEMP\ writable.
#
#   readonly_install.sh make DIR EXE    (re)creates DIR so
#   readonly_install.sh remove DIR      removes it again
#
# A user other than root is kept out by the folder's mode; root ignores modes, so the folder is also made
# immutable when that is allowed. When neither holds, the folder stays writable and the test that uses it
# says so and skips.
set -eu

unlock() {
  [ -e "$1" ] || return 0
  chattr -i "$1" 2>/dev/null || true
  chmod u+w "$1"
}

case ${1:-} in
  make)
    dir=$2 exe=$3
    unlock "$dir"
    rm -rf "$dir"
    mkdir -p "$dir/TEMP"
    cp "$exe" "$dir/Kanjiforge.exe"
    : >"$dir/Kanjiforge.ini"
    chmod 0555 "$dir"
    if touch "$dir/.probe" 2>/dev/null; then
      rm -f "$dir/.probe"
      chattr +i "$dir" 2>/dev/null || echo "readonly_install: $dir stays writable" >&2
    fi
    ;;
  remove)
    unlock "$2"
    rm -rf "$2"
    ;;
  *)
    echo "usage: readonly_install.sh make DIR EXE | remove DIR" >&2
    exit 2
    ;;
esac
