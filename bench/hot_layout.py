#!/usr/bin/env python3
"""Writes the linker script that places the code and read-only data a request
touches next to each other (front/cgi_hot.ld).

The kernel maps a file-backed page together with its cached neighbours (the
whole 64 KiB around it), so a request that runs code spread over the program
has nearly all of it resident. Placed together, the touched sections fill a
few such windows instead of most of them.

Usage: hot_layout.py MAP OUTPUT TRACE...
  MAP     the program's link map (-Wl,-Map), linked with OUTPUT's earlier
          version if there is one: its sections keep their places and the
          sections the traces touch outside it are added after them.
  TRACE   logs in valgrind lackey's format ("I  addr,size" for code, " L
          addr,size" for a load), in order of importance: sections appear in
          the order they were first touched. bench/hot_layout.sh writes them
          from lackey and from the page faults of a native run (valgrind has
          no vDSO and no AVX-512, so some start-up code runs only natively).
"""
import bisect
import re
import sys

# Input sections are moved by (file, section name). Mergeable strings and
# constants stay where they are (the linker merges them per output section).
SKIP = re.compile(r"^\.rodata1$")
NAME_OK = re.compile(r"^[A-Za-z0-9_.$]+$")
NATIVE = "seen only natively"


def kind(section):
    return ".text" if section.startswith(".text") else ".rodata"


def read_script(path):
    """The patterns of an earlier script, per output section, in order, and
    those marked as seen only natively."""
    order = {".text": [], ".rodata": []}
    native = set()
    current = None
    in_native = False
    try:
        with open(path) as f:
            for line in f:
                line = line.strip()
                if line.startswith(".text.hot"):
                    current = ".text"
                elif line.startswith(".rodata.hot"):
                    current = ".rodata"
                elif line.startswith("/*"):
                    in_native = NATIVE in line
                elif current and "(" in line:
                    order[current].append(line)
                    if in_native:
                        native.add(line)
    except FileNotFoundError:
        pass
    return order, native


def parse_map(path):
    """Input sections of .text and .rodata: (start, end, output, name, file)."""
    out = []
    section = None
    pending = None
    with open(path, errors="replace") as f:
        for line in f:
            m = re.match(r"^(\.\S+)\s", line)
            if m and not line.startswith(" "):
                section = m.group(1)
                pending = None
                continue
            if section not in (".text", ".text.hot", ".rodata", ".rodata.hot"):
                continue
            m = re.match(r"^ (\.\S+)(?:\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*))?$", line.rstrip("\n"))
            if m:
                if m.group(2):
                    out.append((int(m.group(2), 16), int(m.group(3), 16), kind(section), m.group(1), m.group(4)))
                else:
                    pending = m.group(1)
                continue
            m = re.match(r"^\s+0x([0-9a-f]+)\s+0x([0-9a-f]+)\s+(\S.*)$", line.rstrip("\n"))
            if m and pending:
                out.append((int(m.group(1), 16), int(m.group(2), 16), kind(section), pending, m.group(3)))
                pending = None
    out = [s for s in out if s[1] > 0]
    out.sort()
    return out


def file_pattern(name):
    """archive.a(member.o) -> *archive.a:member.o; path/x.o -> */x.o. A
    version in an archive's name (libm-2.36.a) becomes a wildcard."""
    m = re.match(r"^(.*/)?([^/(]+)\((.+)\)$", name)
    if not m:
        return "*/" + name.rsplit("/", 1)[-1]
    return "*%s:%s" % (re.sub(r"-[0-9.]+\.a$", "*.a", m.group(2)), m.group(3))


def patterns(name, section):
    """The patterns that place one input section. The C library's string
    functions come in one member per instruction set, chosen when the program
    starts: valgrind runs the AVX2 ones, while a machine with AVX-512 runs the
    EVEX or AVX-512 ones, so those come along."""
    out = ["%s(%s)" % (file_pattern(name), section)]
    m = re.match(r"^(.*/)?([^/(]+)\((.+)\)$", name)
    if not m:
        return out
    archive, member = m.group(2), m.group(3)
    v = re.match(r"^([a-z_]+)-avx2?(-|\.o$)", member)
    if archive == "libc.a" and v:
        out += ["*libc.a:%s-evex*.o(.text*)" % v.group(1), "*libc.a:%s-avx512*.o(.text*)" % v.group(1)]
    return out


def read_trace(path, sections, starts):
    """Patterns per output section, in the order the trace first touches them."""
    order = {".text": [], ".rodata": []}
    seen = set()
    with open(path, errors="replace") as f:
        for line in f:
            if line.startswith("I "):
                want = ".text"
            elif line.startswith((" L", " M")):
                want = ".rodata"
            else:
                continue
            try:
                addr = int(line[3:].split(",", 1)[0], 16)
            except ValueError:
                continue
            i = bisect.bisect_right(starts, addr) - 1
            if i < 0:
                continue
            start, size, out, name, obj = sections[i]
            if addr >= start + size or out != want or (name, obj) in seen:
                continue
            seen.add((name, obj))
            if SKIP.search(name) or not NAME_OK.match(name):
                continue
            for p in patterns(obj, name):
                if p not in order[want]:
                    order[want].append(p)
    return order


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    sections = parse_map(sys.argv[1])
    starts = [s[0] for s in sections]
    earlier, native = read_script(sys.argv[2])
    lackey = []
    faults = []
    for trace in sys.argv[3:]:
        with open(trace, errors="replace") as f:
            is_faults = f.readline().startswith("# faults")
        (faults if is_faults else lackey).append(read_trace(trace, sections, starts))
    out = {}
    for want in (".text", ".rodata"):
        # The first request's sections, then what only a native run showed
        # (start-up code: it runs for every request), then the other
        # requests', then whatever the earlier script had that no trace saw
        # this time (a native fault is seen only once per 64 KiB).
        traced = set(p for t in lackey for p in t[want])
        for t in faults:
            native.update(p for p in t[want] if p not in traced)
        groups = [lackey[0][want] if lackey else [],
                  [p for p in earlier[want] if p in native] +
                  [p for t in faults for p in t[want] if p in native],
                  [p for t in lackey[1:] for p in t[want]], earlier[want]]
        done = set()
        out[want] = []
        for n, g in enumerate(groups):
            for p in g:
                if p not in done:
                    done.add(p)
                    out[want].append((p, n == 1))
    with open(sys.argv[2], "w") as f:
        f.write("/* Generated by bench/hot_layout.sh: the sections a request touches, in the\n"
                " * order first touched, placed together apart from the rest of the program so\n"
                " * they share pages (see bench/hot_layout.py). A name no longer in the program\n"
                " * matches nothing and is harmless; regenerate after large changes. */\n")
        for want, where in ((".text", "INSERT BEFORE .text;"), (".rodata", "INSERT AFTER .rodata;")):
            f.write("SECTIONS\n{\n  %s.hot :\n  {\n" % want)
            marked = False
            for p, nat in out[want]:
                if nat != marked:
                    f.write("    /* %s */\n" % (NATIVE if nat else "traced"))
                    marked = nat
                f.write("    %s\n" % p)
            f.write("  }\n}\n%s\n\n" % where)
    print("%d code sections, %d data sections, %d seen only natively"
          % (len(out[".text"]), len(out[".rodata"]), len(native)))


if __name__ == "__main__":
    main()
