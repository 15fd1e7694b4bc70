#!/usr/bin/env python3
"""Writes the seed corpus of the fuzz targets (fuzz/corpus/<target>/).

The seeds are the inputs the tests use: request bodies and query strings
taken from the literal post()/get() calls in tests/*.cpp, the request codes
of every module table, the multipart bodies of the intake and parser tests,
and frames and replies of the core-daemon tests. Run it again after adding
tests or handlers; it replaces the files it writes and leaves others alone.

    python3 fuzz/make_corpus.py
"""
import hashlib
import os
import re
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SRC = os.path.dirname(HERE)
CORPUS = os.path.join(HERE, "corpus")


def field(text):
    """One text field of FuzzInput: backslashes doubled, ended by backslash + LF."""
    if isinstance(text, str):
        text = text.encode("latin-1")
    return text.replace(b"\\", b"\\\\") + b"\\\n"


def write(target, name, data):
    d = os.path.join(CORPUS, target)
    os.makedirs(d, exist_ok=True)
    digest = hashlib.sha1(data).hexdigest()[:10]
    with open(os.path.join(d, "%s-%s" % (name, digest)), "wb") as f:
        f.write(data)


def cpp_string(lit):
    """Decodes the body of a C++ string literal (the escapes tests use)."""
    out = bytearray()
    i = 0
    while i < len(lit):
        c = lit[i]
        if c != "\\":
            out += c.encode("latin-1", "replace")
            i += 1
            continue
        n = lit[i + 1]
        i += 2
        if n in "\"'\\?":
            out += n.encode()
        elif n == "n":
            out += b"\n"
        elif n == "r":
            out += b"\r"
        elif n == "t":
            out += b"\t"
        elif n == "0":
            out += b"\0"
        elif n == "x":
            m = re.match(r"[0-9a-fA-F]{1,2}", lit[i:])
            out.append(int(m.group(0), 16))
            i += len(m.group(0))
        else:
            out += n.encode()
    return bytes(out)


# ---- core daemon scripts (fuzz/fake_daemon.h) ----

def reply(payload, selector=0):
    return bytes([0, selector]) + struct.pack("<H", len(payload)) + payload


END = b"\x02"


def zeros_reply(n):
    return bytes([0, 0]) + struct.pack("<H", n)  # the script lacks the bytes: zero-filled


GENERIC = (zeros_reply(512) + END) * 3 + reply(struct.pack("<i", 1)) + END


# ---- intake ----

def intake(method, ctype, code, query="", body=b"", script=GENERIC, length="", cookie="userName=admin",
           host="192.0.2.1:80"):
    if isinstance(body, str):
        body = body.encode("latin-1")
    return (field(method) + field(ctype) + field(code) + field(query) + field(length) + field(cookie) +
            field(host) + field(body) + script)


def multipart_body(boundary, parts, closing=True):
    out = b""
    for disposition, data, ctype in parts:
        out += b"--" + boundary + b"\r\nContent-Disposition: form-data; " + disposition + b"\r\n"
        if ctype:
            out += b"Content-Type: " + ctype + b"\r\n"
        out += b"\r\n" + data + b"\r\n"
    if closing:
        out += b"--" + boundary + b"--\r\n"
    return out


def intake_seeds():
    seeds = []
    # Literal post()/get() calls of the tests.
    lit = r'"((?:[^"\\]|\\.)*)"'
    for name in sorted(os.listdir(os.path.join(SRC, "tests"))):
        if not name.endswith(".cpp"):
            continue
        text = open(os.path.join(SRC, "tests", name), encoding="utf-8", errors="replace").read()
        for m in re.finditer(r"\bpost\(\s*" + lit + r"\s*,\s*" + lit + r"\s*\)", text):
            seeds.append(("post", intake("POST", "application/json", cpp_string(m.group(1)).decode("latin-1"),
                                         body=cpp_string(m.group(2)))))
        for m in re.finditer(r"\bget\(\s*" + lit + r"\s*,\s*" + lit + r"\s*\)", text):
            seeds.append(("get", intake("GET", "", cpp_string(m.group(1)).decode("latin-1"),
                                        query=cpp_string(m.group(2)).decode("latin-1"))))
    # Every registered code, as a JSON POST of "{}" and as a GET.
    codes = set()
    for dirpath, _, files in os.walk(os.path.join(SRC, "handlers")):
        for f in files:
            if f.endswith(".cpp"):
                text = open(os.path.join(dirpath, f), encoding="utf-8", errors="replace").read()
                codes.update(re.findall(r'\{\s*"(/[0-9A-Za-z._]+)"\s*,\s*[A-Za-z_][A-Za-z_0-9]*\s*\}', text))
    for code in sorted(codes):
        seeds.append(("code", intake("POST", "application/json", code, body="{}")))
        seeds.append(("code", intake("GET", "", code, query="{%22channel%22:0}")))

    # The intake's own cases.
    seeds.append(("get", intake("get", "multipart/form-data; boundary=x", "/1002", query="{%22a%22:1,%22b%22:%22x%20y%22}%2")))
    seeds.append(("post", intake("POST", "Application/JSON; charset=utf-8", "/1000",
                                 body='{"userName":"admin","md5":"21232f297a57a5a743894a0e4a801fc3"}\n')))
    seeds.append(("post", intake("post", "APPLICATION/X-WWW-FORM-URLENCODED", "/1000", body="userName=admin&md5=x")))
    seeds.append(("post", intake("POST", "application/json", "/1000", body="line\n" * 130)))
    seeds.append(("post", intake("PUT", "application/json", "/1000", body="{}")))
    # The page check with each kind of daemon answer.
    for name, script in [("ok", reply(b"\0\0\0\0") + END), ("deny", reply(b"\1\0\0\0") + END),
                         ("short", reply(b"\1\0") + END), ("empty", reply(b"") + END),
                         ("other", reply(b"\0\0\0\0", selector=210) + END),
                         ("stream", reply(b"\7") + reply(b"\0\0\0\0\0\0\0\0") + END),
                         ("large", bytes([1, 0, 40]) + b"\0" * 16 + END),
                         ("cut", b"\x03\x1cNVCR\x01\x00\x00\x00\x01\x00\x00\x00\x38\x21\x00\x00\x00\x00\x00\x00\x04\x00\x00\x00\x00"),
                         ("none", b"")]:
        seeds.append(("page-" + name, intake("POST", "application/json", "/1018", body="page", script=script)))
    # Multipart uploads.
    b = b"----formB0undaryQx7"
    ct = "multipart/form-data; boundary=" + b.decode()
    def file_body(attr, data):
        return multipart_body(b, [(b'name="note"', b"hello", None),
                                  (b'name="file"; filename=' + attr, data, b"text/plain")])
    seeds.append(("upload", intake("POST", ct, "/1008", query="a=1&param:abc&b=2",
                                   body=file_body(b'"dir\\pic.jpg"', b"JPEG\r\n--" + b[:6]))))
    seeds.append(("upload", intake("POST", ct, "/1008", query="a=1", body=file_body(b'"C:/x/y.cfg"', b"1"))))
    seeds.append(("upload", intake("POST", ct, "/1008", body=file_body(b'"a$(touch pwned).bin"', b"x"))))
    seeds.append(("upload", intake("POST", ct, "/1008", body=file_body(b'"dir\\.."', b"x"))))
    seeds.append(("upload", intake("POST", ct, "/1019", query="q=1", body=file_body(b'"oem.bin"', b"pkg"))))
    seeds.append(("upload", intake("POST", ct, "/oem", body=file_body(b'""', b"pkg"))))
    seeds.append(("upload", intake("POST", ct, "/6082", query="a=b", body=file_body(b'"fw.bin"', b"firmware"))))
    seeds.append(("upload", intake("POST", ct, "/1010", query="reset", body=b"--" + b + b"\r\nContent-Disp",
                                   length="999999")))
    seeds.append(("upload", intake("POST", ct, "/1008", body=file_body(b'"small.bin"', b"s" * 2000), length="1000")))
    seeds.append(("upload", intake("POST", 'multipart/form-data; boundary="' + b.decode() + '"', "/2079",
                                   body=file_body(b'"q.bin"', b"q"))))
    for tag, data in seeds:
        write("fuzz_intake", tag, data)


# ---- multipart parser ----

def multipart_seeds():
    b = b"----nvrB0undary"
    def field_part(name, value):
        return b"--" + b + b'\r\nContent-Disposition: form-data; name="' + name + b'"\r\n\r\n' + value + b"\r\n"
    def file_part(name, fname, data, ctype=b"application/octet-stream"):
        return (b"--" + b + b'\r\nContent-Disposition: form-data; name="' + name + b'"; filename="' + fname +
                b'"\r\nContent-Type: ' + ctype + b"\r\n\r\n" + data + b"\r\n")
    closing = b"--" + b + b"--\r\n"
    bodies = [
        b"preamble to skip\r\n" + field_part(b"channel", b"3") +
        file_part(b"file", b"C:\\Users\\me\\pic.jpg", b"JP\0EG", b"image/jpeg") +
        field_part(b"note", b"second\r\nline") + field_part(b"empty", b"") + closing + b"epilogue",
        field_part(b"a", b"one\r\n--" + b[:6]) + file_part(b"file", b"x.bin", b"\r\n-two\r") + field_part(b"b", b"") + closing,
        field_part(b"t", b"\r\n--" + b[:-1] + b"z") + file_part(b"f", b"f.bin", b"\r\r\n--" + b[:3] + b"\r\n-") + closing,
        b"--" + b + b"\r\nContent-Disposition: attachment; name=x\r\n\r\nskipped\r\n" + closing,
        b"--" + b + b"\rContent-Disposition:form-data;name=lone;filename=cr\rContent-Type:\tt/x\r\rdata\r\n" + closing,
        b"--" + b + b"\nContent-Disposition: \"form-data\" ; NAME = \"q;x\" ; FileName=  y.bin  \n\nd\r\n" + closing,
        b"--" + b + b"    \r\nContent-Disposition: form-data; name=pad\r\n\r\nv\r\n--" + b + b"--",
        field_part(b"x", b"v"),  # no closing delimiter
        file_part(b"file", b"big.bin", b"b" * 3000)[:2000],  # ends inside the file
        b"--" + b + b"\r\nContent-Disposition: form-data; name=\"f\"",  # ends inside headers
        b"no boundary at all",
        b"",
    ]
    for i, body in enumerate(bodies):
        write("fuzz_multipart", "body%d" % i, field(b) + field("") + bytes([0]) + body)
        write("fuzz_multipart", "chunked%d" % i, field(b) + field("") + bytes([1]) + body)
    many = b"".join(field_part(b"p%d" % i, b"v") for i in range(70)) + closing
    write("fuzz_multipart", "many", field(b) + field("") + bytes([0]) + many)
    write("fuzz_multipart", "short-length", field(b) + field("40") + bytes([0]) + bodies[0])
    write("fuzz_multipart", "long-length", field(b) + field("99999") + bytes([0]) + bodies[0])
    write("fuzz_multipart", "quoted", field(b'"' + b + b'"') + field("") + bytes([0]) + bodies[0])
    write("fuzz_multipart", "tiny-boundary", field(b"x") + field("") + bytes([3]) +
          b"--x\r\nContent-Disposition: form-data; name=a\r\n\r\n\r\n--\r\n--x--")


# ---- frames ----

def frame(code, payload=b"", seq=1, flags=0, magic=0x5243564E, version=1, length=None):
    n = len(payload) if length is None else length
    return struct.pack("<6I", magic, version, seq, code, flags, n) + payload


def frame_seeds():
    write("fuzz_frame", "doc-example", frame(3485, b"ab"))
    write("fuzz_frame", "empty", frame(1014, flags=1))
    write("fuzz_frame", "reply", frame(8504, b"\0\0\0\0"))
    write("fuzz_frame", "stream", frame(9012, b"x" * 100, seq=3) + frame(9012, b"y" * 7, seq=3) + frame(9012, seq=3))
    write("fuzz_frame", "oplog", frame(3485, b"\4" + b"\0" * 671))
    write("fuzz_frame", "cut-payload", frame(8504, b"\0\0", length=4))
    write("fuzz_frame", "cut-header", frame(8504, b"\0\0\0\0")[:13])
    write("fuzz_frame", "bad-magic", frame(8504, b"\0\0\0\0", magic=0x52435645))
    write("fuzz_frame", "bad-version", frame(8504, b"\0\0\0\0", version=2))
    write("fuzz_frame", "too-long", frame(8504, b"\0\0\0\0", length=16 * 1024 * 1024 + 1))
    write("fuzz_frame", "max-length", frame(8504, b"\0\0\0\0", length=16 * 1024 * 1024))
    write("fuzz_frame", "sync", frame(0x7FFF0000, flags=1))


# ---- reply formatters ----

REPLY_PAYLOADS = [(0, b"\0\0\0\0"), (0, b"\1\0\0\0"), (0, b"\1\0"), (0, b"\0" * 600),
                  (1, b""), (2 | 4 * 3, b"\1"), (3, b"\0\0\0\0")]


def reply_seeds():
    # Input: formatter selector (its row in fuzz_reply.cpp's table), mode,
    # code selector, payload. A row asking through an answer lists its reply
    # codes in its template arguments and the selector picks one of them; a
    # module callback row takes the selector as the code, one set per reply
    # code of the module's routes.
    table = open(os.path.join(HERE, "fuzz_reply.cpp")).read()
    rows = re.findall(r'\{"(\w+)", (\w+)<([^>]*)>\}', table[table.index("kFormatters[]"):])
    routes = {}
    for dirpath, _, files in os.walk(os.path.join(SRC, "handlers")):
        for f in sorted(files):
            if not f.endswith("_module.cpp"):
                continue
            text = open(os.path.join(dirpath, f), encoding="utf-8", errors="replace").read()
            for cb in re.findall(r"^int (\w+_reply)\(void\*", text, re.M):
                codes = set()
                for block in re.findall(r"ReplyRoute \w+\[\] = \{(.*?)\};", text, re.S):
                    codes.update(int(c) for c in re.findall(r"\{(\d+),", block))
                routes[cb] = sorted(codes)
    for index, (name, kind, args) in enumerate(rows):
        if kind == "module":
            selectors = routes.get(args.strip(), [])
        else:
            selectors = range(len([a for a in args.split(",") if a.strip().isdigit()]))
        for sel in selectors:
            for mode, payload in REPLY_PAYLOADS:
                write("fuzz_reply", "%s-%d-%d" % (name, sel, mode),
                      bytes([index, mode]) + struct.pack("<I", sel) + payload)


if __name__ == "__main__":
    intake_seeds()
    multipart_seeds()
    frame_seeds()
    reply_seeds()
    for t in sorted(os.listdir(CORPUS)):
        print(t, len(os.listdir(os.path.join(CORPUS, t))))
