#include "front/multipart.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/paths.h"

namespace {

// Body bytes are read in blocks of kBlock. kKeep bytes of room beyond that
// hold the look-back window: a delimiter is at most 4 + 1,023 bytes, so a
// delimiter split across two reads is always matched in one piece.
constexpr size_t kBlock = 64 * 1024;
constexpr size_t kKeep = 2048;
constexpr size_t kMaxBoundary = 1023;
constexpr size_t kHeaderText = 1024;  // header name, value and attributes: 1,023 characters

// Buffered reader over a descriptor that never reads past the body's length.
struct Reader {
    int fd = -1;
    long left = 0;  // body bytes not yet read from fd
    unsigned char* buf = nullptr;
    size_t cap = 0;
    size_t pos = 0;  // next unread byte
    size_t end = 0;  // end of the bytes read
    bool ended = false;   // the body has no more bytes (length reached or end of input)
    bool failed = false;  // a read failed

    size_t avail() const { return end - pos; }
};

// Makes at least `need` bytes available when the body still has them; fewer
// are available only when the body ended or a read failed.
void reader_fill(Reader& r, size_t need)
{
    while (r.avail() < need && !r.ended && !r.failed) {
        if (r.left <= 0) {
            r.ended = true;
            break;
        }
        if (r.pos > 0) {
            std::memmove(r.buf, r.buf + r.pos, r.avail());
            r.end -= r.pos;
            r.pos = 0;
        }
        size_t want = r.cap - r.end;
        if (static_cast<unsigned long>(r.left) < want) want = static_cast<size_t>(r.left);
        ssize_t k = read(r.fd, r.buf + r.end, want);
        if (k > 0) {
            r.end += static_cast<size_t>(k);
            r.left -= k;
        } else if (k == 0) {
            r.ended = true;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            struct pollfd p = {r.fd, POLLIN, 0};
            poll(&p, 1, -1);
        } else if (errno != EINTR) {
            r.failed = true;
        }
    }
}

// The next byte, or -1 when the body has ended.
inline int reader_getc(Reader& r)
{
    if (r.avail() == 0) reader_fill(r, 1);
    return r.avail() ? r.buf[r.pos++] : -1;
}

// Where a part's bytes go: nowhere, a growing memory buffer, or a file.
struct Sink {
    enum Kind { kDiscard, kMemory, kFile } kind = kDiscard;
    char* mem = nullptr;
    size_t mem_len = 0;
    size_t mem_cap = 0;
    int fd = -1;
    unsigned char* out = nullptr;  // write buffer of kBlock bytes
    size_t out_len = 0;
    long total = 0;  // bytes kept (memory) or written (file)
    int error = kMultipartOk;

    // Starts a new part; the write buffer is kept for the next file.
    void reset(Kind k)
    {
        std::free(mem);
        mem = nullptr;
        mem_len = mem_cap = 0;
        fd = -1;
        out_len = 0;
        total = 0;
        error = kMultipartOk;
        kind = k;
    }

    bool write_all(const unsigned char* p, size_t n)
    {
        while (n > 0) {
            ssize_t k = ::write(fd, p, n);
            if (k < 0) {
                if (errno == EINTR) continue;
                error = kMultipartIoError;
                return false;
            }
            p += k;
            n -= static_cast<size_t>(k);
        }
        return true;
    }

    bool flush()
    {
        if (kind != kFile || out_len == 0) return true;
        bool ok = write_all(out, out_len);
        out_len = 0;
        return ok;
    }

    bool put(const unsigned char* p, size_t n)
    {
        if (n == 0) return true;
        switch (kind) {
        case kDiscard:
            return true;
        case kMemory: {
            // Kept up to kFormValueMax bytes; the rest of the part is dropped.
            size_t room = static_cast<size_t>(kFormValueMax) - mem_len;
            if (n > room) n = room;
            if (n == 0) return true;
            if (mem_len + n + 1 > mem_cap) {
                size_t c = mem_cap ? mem_cap : 256;
                while (c < mem_len + n + 1) c *= 2;
                char* m = static_cast<char*>(std::realloc(mem, c));
                if (!m) {
                    error = kMultipartNoMemory;
                    return false;
                }
                mem = m;
                mem_cap = c;
            }
            std::memcpy(mem + mem_len, p, n);
            mem_len += n;
            total = static_cast<long>(mem_len);
            return true;
        }
        case kFile:
            total += static_cast<long>(n);
            if (out_len + n > kBlock && !flush()) return false;
            if (n >= kBlock) return write_all(p, n);
            std::memcpy(out + out_len, p, n);
            out_len += n;
            return true;
        }
        return true;
    }
};

enum ScanResult { kScanFound = 1, kScanEnded = 0, kScanFailed = -1 };

// Passes the body's bytes to `sink` up to the next `delim` and consumes the
// delimiter. Matching is by position, so a partial match that fails (such as
// "\r\n--bou" inside data) is data and the bytes after its first byte are
// matched again. Everything that cannot be the start of a delimiter is handed
// on at once, so memory stays at one block whatever the part's size.
ScanResult scan_to(Reader& r, const unsigned char* delim, size_t m, Sink& sink)
{
    for (;;) {
        reader_fill(r, m);
        if (r.failed) return kScanFailed;
        const unsigned char* base = r.buf + r.pos;
        size_t n = r.avail();
        const void* hit = n >= m ? memmem(base, n, delim, m) : nullptr;
        if (hit) {
            size_t k = static_cast<size_t>(static_cast<const unsigned char*>(hit) - base);
            if (!sink.put(base, k)) return kScanFailed;
            r.pos += k + m;
            return kScanFound;
        }
        if (n < m) {  // the body ended before a delimiter
            if (!sink.put(base, n)) return kScanFailed;
            r.pos = r.end;
            return kScanEnded;
        }
        size_t emit = n - (m - 1);
        if (!sink.put(base, emit)) return kScanFailed;
        r.pos += emit;
    }
}

// Appends a character to a bounded text of kHeaderText bytes.
inline void text_add(char* text, size_t& len, int c)
{
    if (len < kHeaderText - 1) text[len++] = static_cast<char>(c);
    text[len] = '\0';
}

// Reads one header line, split at its first ':' into a name (white space
// dropped) and a value (leading blanks dropped). A line ends at LF, CR LF or
// a lone CR. The result is the line's length without its end, or -1 when the
// body ends before the line does.
long read_header_line(Reader& r, char* name, char* value)
{
    long raw = 0;
    size_t nlen = 0, vlen = 0;
    bool in_value = false, value_started = false;
    name[0] = value[0] = '\0';
    for (;;) {
        int c = reader_getc(r);
        if (c < 0) return -1;
        if (c == '\n') return raw;
        if (c == '\r') {
            if (r.avail() == 0) reader_fill(r, 1);
            if (r.avail() && r.buf[r.pos] == '\n') r.pos++;
            return raw;
        }
        raw++;
        if (!in_value) {
            if (c == ':')
                in_value = true;
            else if (c != ' ' && c != '\t')
                text_add(name, nlen, c);
        } else {
            if (!value_started && (c == ' ' || c == '\t')) continue;
            value_started = true;
            text_add(value, vlen, c);
        }
    }
}

// Decomposes a Content-Disposition value: the main value (up to the first
// ';', or a double-quoted text) and the attributes "name" and "filename"
// (double-quoted, or running to the next ';').
void parse_disposition(const char* v, char* main_value, char* name, char* file_name)
{
    size_t len = 0;
    main_value[0] = '\0';
    while (*v == ' ' || *v == '\t') v++;
    if (*v == '"') {
        for (v++; *v && *v != '"'; v++) text_add(main_value, len, *v);
        if (*v == '"') v++;
    } else {
        for (; *v && *v != ';'; v++) text_add(main_value, len, *v);
        while (len > 0 && (main_value[len - 1] == ' ' || main_value[len - 1] == '\t')) main_value[--len] = '\0';
    }
    for (;;) {
        while (*v && *v != ';') v++;
        if (!*v) return;
        v++;
        while (*v == ' ' || *v == '\t') v++;
        char attr[kHeaderText];
        size_t alen = 0;
        attr[0] = '\0';
        for (; (*v >= 'a' && *v <= 'z') || (*v >= 'A' && *v <= 'Z') || (*v >= '0' && *v <= '9'); v++)
            text_add(attr, alen, *v);
        while (*v == ' ' || *v == '\t') v++;
        if (*v != '=') continue;
        v++;
        while (*v == ' ' || *v == '\t') v++;
        char* target = nullptr;
        if (strcasecmp(attr, "name") == 0)
            target = name;
        else if (strcasecmp(attr, "filename") == 0)
            target = file_name;
        char scratch[kHeaderText];
        if (!target) target = scratch;
        size_t tlen = 0;
        target[0] = '\0';
        if (*v == '"') {
            for (v++; *v && *v != '"'; v++) text_add(target, tlen, *v);
            if (*v == '"') v++;
        } else {
            for (; *v && *v != ';'; v++) text_add(target, tlen, *v);
            while (tlen > 0 && (target[tlen - 1] == ' ' || target[tlen - 1] == '\t')) target[--tlen] = '\0';
        }
    }
}

char* dup_text(const char* s)
{
    return strdup(s ? s : "");
}

void entry_free(FormEntry* e)
{
    if (!e) return;
    if (e->temp_file && e->temp_file[0]) unlink(e->temp_file);
    std::free(e->name);
    std::free(e->value);
    std::free(e->file_name);
    std::free(e->content_type);
    std::free(e->temp_file);
    std::free(e);
}

// The state of one parse; everything it owns is released by the destructor.
struct Parser {
    Reader r;
    Sink sink;
    std::string temp_path;  // temporary file of the part being read, until it is owned by an entry
    FormEntry* head = nullptr;
    FormEntry** tail = &head;
    int parts = 0;

    ~Parser()
    {
        std::free(r.buf);
        std::free(sink.out);
        std::free(sink.mem);
        if (sink.fd >= 0) close(sink.fd);
        if (!temp_path.empty()) unlink(temp_path.c_str());
        form_entries_free(head);
    }

    int part(const unsigned char* delim, size_t m, const char* temp_template);
};

// Reads one part, its headers already due, through the delimiter that ends it.
int Parser::part(const unsigned char* delim, size_t m, const char* temp_template)
{
    char hname[kHeaderText], hvalue[kHeaderText];
    char disposition[kHeaderText] = "", name[kHeaderText] = "", file_name[kHeaderText] = "";
    char content_type[kHeaderText] = "";
    for (;;) {
        long len = read_header_line(r, hname, hvalue);
        if (len < 0) return kMultipartIoError;
        if (len == 0) break;
        if (strcasecmp(hname, "Content-Disposition") == 0)
            parse_disposition(hvalue, disposition, name, file_name);
        else if (strcasecmp(hname, "Content-Type") == 0)
            std::memcpy(content_type, hvalue, sizeof content_type);
    }

    bool keep = strcasecmp(disposition, "form-data") == 0 && parts < kFormMaxParts;
    sink.reset(!keep ? Sink::kDiscard : file_name[0] ? Sink::kFile : Sink::kMemory);
    if (sink.kind == Sink::kFile) {
        std::string tmpl = temp_template ? temp_template : nvr_path("/tmp/cgicXXXXXX");
        int fd = mkostemp(&tmpl[0], O_CLOEXEC);
        if (fd < 0) return kMultipartIoError;
        temp_path = tmpl;
        sink.fd = fd;
        if (fchmod(fd, 0600) != 0) return kMultipartIoError;
    }

    ScanResult s = scan_to(r, delim, m, sink);
    if (s == kScanFailed) return sink.error != kMultipartOk ? sink.error : kMultipartIoError;
    if (s == kScanEnded) return kMultipartIoError;  // the body ended inside the part
    if (!keep) return kMultipartOk;
    if (sink.kind == Sink::kFile) {
        bool ok = sink.flush();
        ok = close(sink.fd) == 0 && ok;
        sink.fd = -1;
        if (!ok) return kMultipartIoError;
    }

    auto* e = static_cast<FormEntry*>(std::calloc(1, sizeof(FormEntry)));
    if (!e) return kMultipartNoMemory;
    *tail = e;  // owned by the list from here, so a failure below frees it
    tail = &e->next;
    parts++;
    e->temp_file = dup_text(temp_path.c_str());
    if (!e->temp_file) return kMultipartNoMemory;  // temp_path still names the file, so it is removed
    temp_path.clear();
    e->value_length = sink.total;
    if (sink.kind == Sink::kMemory && sink.mem) {
        sink.mem[sink.mem_len] = '\0';
        char* trimmed = static_cast<char*>(std::realloc(sink.mem, sink.mem_len + 1));
        e->value = trimmed ? trimmed : sink.mem;
        sink.mem = nullptr;
    } else {
        e->value = dup_text("");
    }
    e->name = dup_text(name);
    e->file_name = dup_text(file_name);
    e->content_type = dup_text(content_type);
    if (!e->value || !e->name || !e->file_name || !e->content_type) return kMultipartNoMemory;
    return kMultipartOk;
}

}  // namespace

int multipart_parse(int fd, long content_length, const char* boundary, FormEntry** out,
                    const char* temp_template)
{
    if (!out) return kMultipartIoError;
    *out = nullptr;
    size_t blen = boundary ? std::strlen(boundary) : 0;
    // Without a boundary no part can be told from the next: nothing to parse.
    if (content_length <= 0 || blen == 0) return kMultipartOk;
    if (blen > kMaxBoundary) blen = kMaxBoundary;

    unsigned char delim[4 + kMaxBoundary];
    std::memcpy(delim, "\r\n--", 4);
    std::memcpy(delim + 4, boundary, blen);
    const size_t m = 4 + blen;

    Parser p;
    p.r.fd = fd;
    p.r.left = content_length;
    p.r.cap = kBlock + kKeep;
    p.r.buf = static_cast<unsigned char*>(std::malloc(p.r.cap));
    p.sink.out = static_cast<unsigned char*>(std::malloc(kBlock));
    if (!p.r.buf || !p.sink.out) return kMultipartNoMemory;

    // Everything up to and including the first "--" + boundary is skipped;
    // a body without it is an empty submission.
    ScanResult s = scan_to(p.r, delim + 2, m - 2, p.sink);
    if (s == kScanFailed) return kMultipartIoError;
    if (s == kScanEnded) return kMultipartOk;

    for (;;) {
        // After a boundary: "--" closes the body; otherwise the rest of the
        // boundary line (CR LF, perhaps after padding) leads to the next
        // part's headers. A body that ends here is complete.
        reader_fill(p.r, 2);
        if (p.r.failed) return kMultipartIoError;
        if (p.r.avail() < 2) break;
        if (p.r.buf[p.r.pos] == '-' && p.r.buf[p.r.pos + 1] == '-') break;
        char skip_name[kHeaderText], skip_value[kHeaderText];
        if (read_header_line(p.r, skip_name, skip_value) < 0) {
            if (p.r.failed) return kMultipartIoError;
            break;
        }
        int rc = p.part(delim, m, temp_template);
        if (rc != kMultipartOk) return rc;
    }
    *out = p.head;
    p.head = nullptr;
    return kMultipartOk;
}

FormEntry* form_entry_find(FormEntry* list, const char* name)
{
    if (!name) return nullptr;
    for (FormEntry* e = list; e; e = e->next)
        if (std::strcmp(e->name, name) == 0) return e;
    return nullptr;
}

FormFileNameResult form_file_name(const FormEntry* list, const char* name, char* buffer, size_t size)
{
    const FormEntry* e = form_entry_find(const_cast<FormEntry*>(list), name);
    if (size > 0) buffer[0] = '\0';
    if (!e) return kFormFileNameNotFound;
    if (!e->file_name[0]) return kFormFileNameEmpty;
    if (size == 0) return kFormFileNameTruncated;
    size_t n = std::strlen(e->file_name);
    size_t k = n < size - 1 ? n : size - 1;
    std::memcpy(buffer, e->file_name, k);
    buffer[k] = '\0';
    return k < n ? kFormFileNameTruncated : kFormFileNameOk;
}

void form_entries_free(FormEntry* list)
{
    while (list) {
        FormEntry* next = list->next;
        entry_free(list);
        list = next;
    }
}

bool upload_base_name(const char* file_name, char* out, size_t size)
{
    if (size == 0) return false;
    const char* base = file_name ? file_name : "";
    for (const char* p = base; *p; p++)
        if (*p == '/' || *p == '\\') base = p + 1;
    std::snprintf(out, size, "%s", base);
    return out[0] && std::strcmp(out, ".") != 0 && std::strcmp(out, "..") != 0;
}

int upload_move(const char* temp_file, const char* base, char* new_path, size_t size)
{
    if (size > 0) new_path[0] = '\0';
    if (!temp_file || !base || !base[0] || std::strchr(base, '/')) return -1;
    const char* slash = std::strrchr(temp_file, '/');
    std::string path(temp_file, slash ? static_cast<size_t>(slash - temp_file + 1) : 0);
    path += base;
    if (size == 0 || path.size() >= size) return -1;  // a cut path would name another file
    std::memcpy(new_path, path.c_str(), path.size() + 1);
    return rename(temp_file, path.c_str()) == 0 ? 0 : -1;
}
