#!/usr/bin/env bash
# Checks that includes point down the layers:
#   platform/  <-  common/  <-  front/  <-  handlers/
# (front/ holds the request table the handlers register with, so a handler
# may include front/, never the other way round), that handlers/shared/ (the
# types and procedures several areas use) includes no other handler area, and
# that no two handler areas (handlers/<area>/) depend on each other, directly
# or through other areas: the areas' include graph has no cycle.
# A module unit (handlers/<area>/<module>_module.cpp) is the request table of
# its codes: it names the handlers those codes are registered to, in whatever
# area they live, so its includes wire areas together without making one
# depend on another and are left out of the area graph.
#
# Prints every offending include as "file:line: include -> reason" and the
# count; exits 1 when there is any. Usage: scripts/layers.sh [source root]
set -euo pipefail
root="${1:-$(dirname "$0")/..}"
cd "$root"

grep -rnoE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"(platform|common|front|handlers)/[^"]+"' \
    --include='*.h' --include='*.cpp' platform common front handlers |
awk -F: '
function layer(path,   p) {
    split(path, p, "/")
    if (p[1] == "platform") return 0
    if (p[1] == "common") return 1
    if (p[1] == "front") return 2
    return 3
}
function area(path,   p) {
    split(path, p, "/")
    return p[1] == "handlers" ? p[2] : ""
}
{
    file = $1; line = $2
    target = $0
    sub(/^[^"]*"/, "", target); sub(/".*$/, "", target)
    n++
    F[n] = file; L[n] = line; T[n] = target
    a = area(file); b = area(target)
    if (file ~ /_module\.cpp$/) { TABLE[n] = 1; next }
    if (a != "" && b != "" && a != b) { reach[a, b] = 1; areas[a] = 1; areas[b] = 1 }
}
END {
    # Transitive closure of the area graph: reach[a, b] when area a includes
    # area b, directly or through others.
    for (k in areas) for (i in areas) if ((i, k) in reach) for (j in areas) if ((k, j) in reach) reach[i, j] = 1
    bad = 0
    for (i = 1; i <= n; i++) {
        lf = layer(F[i]); lt = layer(T[i])
        why = ""
        if (lt > lf) why = "upward"
        a = area(F[i]); b = area(T[i])
        if (why == "" && a == "shared" && b != "" && b != "shared") why = "handlers/shared includes a handler area"
        if (why == "" && !(i in TABLE) && a != "" && b != "" && a != b && ((b, a) in reach))
            why = "handlers/" a " and handlers/" b " depend on each other"
        if (why != "") { printf "%s:%s: %s -> %s\n", F[i], L[i], T[i], why; bad++ }
    }
    printf "%d include(s) against the layering\n", bad
    exit bad > 0 ? 1 : 0
}'
