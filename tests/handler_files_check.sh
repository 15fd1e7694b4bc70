#!/bin/sh
# The API reference names every code's handler by function and file. This
# checks each named file against what the compiler made of it: the object
# built from that file defines the function (a text symbol).
# Usage: handler_files_check.sh NVR_API_CODES HANDLER_OBJECT...
# (object paths hold no blanks: they are the build's own)
set -eu
codes=$1
shift
listing=$(mktemp)
defined=$(mktemp)
trap 'rm -f "$listing" "$defined"' EXIT
"$codes" --handlers >"$listing" || { echo "a row's handler has no known source file" >&2; exit 1; }
# "function file" for every handler-shaped function each object defines
# (local ones too: a handler may live in an anonymous namespace).
# (ctest may pass the object list as one argument, its items joined by ";")
objects=$(printf '%s;' "$@" | tr ';' '\n')
for obj in $objects; do
  src=${obj##*/nvr_handlers.dir/}
  src=${src%.o}
  src=${src%.obj}
  nm -C --defined-only "$obj" | sed 's/(anonymous namespace):://' | awk -v src="$src" '{
    name = $0
    sub(/^[^ ]+ [^ ]+ /, "", name)
    if (($2 == "T" || $2 == "t") && name ~ /^[A-Za-z_0-9]+\(char const\*\)$/) {
      sub(/\(.*/, "", name)
      print name, src
    }
  }' >>"$defined"
done
awk 'NR == FNR { defined[$0] = 1; next }
  { rows++; if (!(($2 " " $3) in defined)) { print $1 ": " $2 " is not defined in " $3 > "/dev/stderr"; bad++ } }
  END { print rows " handlers checked, " bad + 0 " named with a wrong file"; exit !(rows > 400 && bad == 0) }' \
  "$defined" "$listing"
