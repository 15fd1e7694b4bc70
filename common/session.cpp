#include "common/session.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <sys/random.h>
#include <sys/stat.h>

#include "platform/paths.h"
#include "platform/kxdb.h"

namespace {

// How many "sessionId" cookies of one request are tried (a browser may send
// an old one of another path or domain next to the current one).
constexpr int kMaxCookieCandidates = 4;

bool fill_random(void* buffer, size_t size)
{
    auto* p = static_cast<unsigned char*>(buffer);
    while (size > 0) {
        ssize_t n = getrandom(p, size, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        size -= size_t(n);
    }
    return true;
}

// The client address as a session row holds it.
void addr_field(const char* addr, char (&out)[48]) { set_text(out, addr ? addr : ""); }

std::string selector_of(const char* id) { return std::string(id, kSessionSelectorLength); }

bool is_identifier(const char* text, size_t len)
{
    if (len != kSessionIdLength) return false;
    for (size_t i = 0; i < len; i++)
        if (text[i] < '0' || text[i] > '9') return false;
    return true;
}

// The values of the "sessionId" cookies of a Cookie header that look like
// identifiers (a quoted value stands for the text inside its quotes).
int cookie_identifiers(const char* cookie, char (&out)[kMaxCookieCandidates][33])
{
    int count = 0;
    const char* p = cookie ? cookie : "";
    while (*p && count < kMaxCookieCandidates) {
        while (*p == ' ' || *p == '\t' || *p == ';') p++;
        const char* end = std::strchr(p, ';');
        if (!end) end = p + std::strlen(p);
        const char* eq = static_cast<const char*>(std::memchr(p, '=', size_t(end - p)));
        if (eq && eq - p == 9 && !std::strncmp(p, "sessionId", 9)) {
            const char* v = eq + 1;
            const char* v_end = end;
            while (v_end > v && (v_end[-1] == ' ' || v_end[-1] == '\t')) v_end--;
            if (v_end - v >= 2 && *v == '"' && v_end[-1] == '"') {
                v++;
                v_end--;
            }
            if (is_identifier(v, size_t(v_end - v))) {
                std::memcpy(out[count], v, kSessionIdLength);
                out[count][kSessionIdLength] = '\0';
                count++;
            }
        }
        p = end;
    }
    return count;
}

bool live(const SessionRecord& rec, const char* id, const char (&addr)[48], time_t now)
{
    bool same_id = ct_equal(rec.id, id, kSessionIdLength);
    bool same_addr = std::memcmp(rec.addr, addr, sizeof addr) == 0;
    return same_id && same_addr && rec.expires > now;
}

// ---- changes made inside one store transaction ----

struct OpenCtx {
    const SessionRecord* rec;
    time_t now;
};

int open_row(void* row, bool found, void* ctx)
{
    auto* c = static_cast<OpenCtx*>(ctx);
    auto* rec = static_cast<SessionRecord*>(row);
    // The selector belongs to another live session: the caller draws again.
    if (found && rec->expires > c->now) return kListKeep;
    *rec = *c->rec;
    return kListPut;
}

struct TouchCtx {
    const char* id;
    const char (*addr)[48];
    time_t now;
    bool close;
    bool live;
};

int touch_row(void* row, bool found, void* ctx)
{
    auto* c = static_cast<TouchCtx*>(ctx);
    auto* rec = static_cast<SessionRecord*>(row);
    c->live = found && live(*rec, c->id, *c->addr, c->now);
    if (!c->live) return kListKeep;
    if (c->close) return kListDelete;
    rec->expires = c->now + kSessionLifetime;
    return kListPut;
}

int drop_expired(void* row, bool found, void* ctx)
{
    auto* rec = static_cast<SessionRecord*>(row);
    return found && rec->expires <= *static_cast<time_t*>(ctx) ? kListDelete : kListKeep;
}

// Frees the slots that have left the window (or lie a whole window in the
// future: the clock was set back) and ends a refusal that is over. Another
// process may have stored a time a second ahead of this one's `now`.
void prune(LoginFailureRecord& r, time_t now)
{
    for (int i = 0; i < kLoginFailureLimit; i++) {
        if (r.at[i] && (now - r.at[i] >= kLoginFailureWindow || r.at[i] - now >= kLoginFailureWindow)) {
            r.at[i] = 0;
            r.token[i] = 0;
        }
    }
    if (r.locked_until <= now) r.locked_until = 0;
    if (r.locked_until > now + kLoginLockout) r.locked_until = now + kLoginLockout;
}

bool failure_row_empty(const LoginFailureRecord& r)
{
    if (r.locked_until) return false;
    for (i64 at : r.at)
        if (at) return false;
    return true;
}

struct AttemptCtx {
    time_t now;
    u32 token;
    bool failed;
    bool allowed;
};

int attempt_begin_row(void* row, bool, void* ctx)
{
    auto* c = static_cast<AttemptCtx*>(ctx);
    c->now = time(nullptr);  // after any wait for the write lock
    auto* r = static_cast<LoginFailureRecord*>(row);
    prune(*r, c->now);
    c->allowed = false;
    if (r->locked_until) return kListPut;
    for (int i = 0; i < kLoginFailureLimit; i++) {
        if (!r->at[i]) {
            r->at[i] = c->now;
            r->token[i] = c->token;
            c->allowed = true;
            return kListPut;
        }
    }
    return kListPut;
}

int attempt_end_row(void* row, bool, void* ctx)
{
    auto* c = static_cast<AttemptCtx*>(ctx);
    c->now = time(nullptr);
    auto* r = static_cast<LoginFailureRecord*>(row);
    prune(*r, c->now);
    int slot = -1;
    for (int i = 0; i < kLoginFailureLimit && slot < 0; i++)
        if (r->at[i] && r->token[i] == c->token) slot = i;
    if (c->failed) {
        // A slot freed meanwhile (its attempt outlived the window) is taken
        // again, so the failure still counts.
        for (int i = 0; i < kLoginFailureLimit && slot < 0; i++)
            if (!r->at[i]) slot = i;
        if (slot >= 0) {
            r->at[slot] = c->now;
            r->token[slot] = 0;
        }
        int failures = 0;
        for (int i = 0; i < kLoginFailureLimit; i++) failures += r->at[i] && !r->token[i] ? 1 : 0;
        if (failures >= kLoginFailureLimit) r->locked_until = c->now + kLoginLockout;
    } else if (slot >= 0) {
        r->at[slot] = 0;
        r->token[slot] = 0;
    }
    return failure_row_empty(*r) ? kListDelete : kListPut;
}

int prune_row(void* row, bool found, void* ctx)
{
    if (!found) return kListKeep;
    auto* r = static_cast<LoginFailureRecord*>(row);
    prune(*r, *static_cast<time_t*>(ctx));
    return failure_row_empty(*r) ? kListDelete : kListKeep;
}

}  // namespace

bool ct_equal(const void* a, const void* b, size_t n)
{
    const volatile unsigned char* x = static_cast<const unsigned char*>(a);
    const volatile unsigned char* y = static_cast<const unsigned char*>(b);
    unsigned diff = 0;
    for (size_t i = 0; i < n; i++) diff |= unsigned(x[i] ^ y[i]);
    return diff == 0;
}

bool ct_equal_nocase(const char* a, const char* b, size_t n)
{
    const volatile unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const volatile unsigned char* y = reinterpret_cast<const unsigned char*>(b);
    unsigned diff = 0, keep_x = ~0u, keep_y = ~0u;
    for (size_t i = 0; i < n; i++) {
        unsigned cx = x[i], cy = y[i];
        // Past a text's NUL its field counts as zeros.
        keep_x &= 0u - unsigned(cx != 0);
        keep_y &= 0u - unsigned(cy != 0);
        cx = (cx + (unsigned(cx - 'A' < 26u) << 5)) & keep_x;
        cy = (cy + (unsigned(cy - 'A' < 26u) << 5)) & keep_y;
        diff |= cx ^ cy;
    }
    return diff == 0;
}

bool session_mode_on()
{
    // Without a main database the key reads as its default, "0". Looking
    // first keeps a request that uses no store from creating the database's
    // directories under a test root (nvr_path creates them on demand).
    struct stat st;
    if (stat((nvr_root() + kMainDb).c_str(), &st) != 0) return false;
    return get_param_int(kMainDb, kSessionModeKey, 0) != 0;
}

bool session_new_id(char (&id)[33])
{
    size_t filled = 0;
    unsigned char bytes[48];
    while (filled < kSessionIdLength) {
        if (!fill_random(bytes, sizeof bytes)) return false;
        // 250 of the 256 byte values map evenly onto the ten digits.
        for (size_t i = 0; i < sizeof bytes && filled < kSessionIdLength; i++)
            if (bytes[i] < 250) id[filled++] = char('0' + bytes[i] % 10);
    }
    id[kSessionIdLength] = '\0';
    return true;
}

bool session_open(const char* user, int type, const char* addr, char (&id)[33])
{
    time_t now = time(nullptr);
    SessionRecord rec = zeroed<SessionRecord>();
    set_text(rec.user, user);
    rec.type = type;
    addr_field(addr, rec.addr);
    rec.expires = now + kSessionLifetime;
    // A selector already taken by a live session is drawn again; with 10^8
    // selectors a second draw is already rare.
    for (int attempt = 0; attempt < 4; attempt++) {
        if (!session_new_id(id)) return false;
        std::memcpy(rec.id, id, sizeof rec.id);
        OpenCtx ctx{&rec, now};
        int r = kxdb_list_update(kMainDb, kSessionList, selector_of(id).c_str(), sizeof rec, open_row, &ctx);
        if (r == kListPut) return true;
        if (r < 0) return false;
    }
    return false;
}

bool session_find(const char* cookie, const char* addr, bool refresh, SessionRecord* out)
{
    char ids[kMaxCookieCandidates][33];
    int count = cookie_identifiers(cookie, ids);
    char where[48];
    addr_field(addr, where);
    time_t now = time(nullptr);
    for (int i = 0; i < count; i++) {
        SessionRecord rec;
        if (kxdb_list_get(kMainDb, kSessionList, selector_of(ids[i]).c_str(), &rec, sizeof rec) != 0) continue;
        if (!live(rec, ids[i], where, now)) continue;
        time_t left = time_t(rec.expires - now);
        if (refresh && (left <= kSessionLifetime - kSessionRefreshStep || left > kSessionLifetime)) {
            // Changed inside the transaction only if it is still the same
            // live session (a logout in between is not undone).
            TouchCtx ctx{ids[i], &where, now, false, false};
            int r = kxdb_list_update(kMainDb, kSessionList, selector_of(ids[i]).c_str(), sizeof rec, touch_row,
                                     &ctx);
            if (r >= 0 && !ctx.live) continue;
            if (r == kListPut) rec.expires = now + kSessionLifetime;
        }
        if (out) *out = rec;
        return true;
    }
    return false;
}

bool session_close(const char* cookie, const char* addr)
{
    char ids[kMaxCookieCandidates][33];
    int count = cookie_identifiers(cookie, ids);
    char where[48];
    addr_field(addr, where);
    bool closed = false;
    for (int i = 0; i < count; i++) {
        TouchCtx ctx{ids[i], &where, time(nullptr), true, false};
        if (kxdb_list_update(kMainDb, kSessionList, selector_of(ids[i]).c_str(), sizeof(SessionRecord), touch_row,
                             &ctx) == kListDelete)
            closed = true;
    }
    return closed;
}

void session_sweep()
{
    time_t now = time(nullptr);
    struct Ctx {
        time_t now;
    } ctx{now};
    kxdb_list_each(
        kMainDb, kSessionList, sizeof(SessionRecord),
        [](const char* key, const void* row, void* c) {
            auto* x = static_cast<Ctx*>(c);
            if (static_cast<const SessionRecord*>(row)->expires <= x->now)
                kxdb_list_update(kMainDb, kSessionList, key, sizeof(SessionRecord), drop_expired, &x->now);
        },
        &ctx);
    kxdb_list_each(
        kMainDb, kLoginFailureList, sizeof(LoginFailureRecord),
        [](const char* key, const void* row, void* c) {
            auto* x = static_cast<Ctx*>(c);
            LoginFailureRecord r;
            std::memcpy(&r, row, sizeof r);
            prune(r, x->now);
            if (failure_row_empty(r))
                kxdb_list_update(kMainDb, kLoginFailureList, key, sizeof(LoginFailureRecord), prune_row, &x->now);
        },
        &ctx);
}

bool login_attempt_begin(const char* addr, u32* token)
{
    u32 t = 0;
    if (!fill_random(&t, sizeof t)) return false;
    t |= 1;  // 0 marks a finished failure
    AttemptCtx ctx{time(nullptr), t, false, false};
    if (kxdb_list_update(kMainDb, kLoginFailureList, addr ? addr : "", sizeof(LoginFailureRecord),
                         attempt_begin_row, &ctx) < 0)
        return false;
    if (token) *token = t;
    return ctx.allowed;
}

void login_attempt_end(const char* addr, u32 token, bool failed)
{
    AttemptCtx ctx{time(nullptr), token, failed, false};
    kxdb_list_update(kMainDb, kLoginFailureList, addr ? addr : "", sizeof(LoginFailureRecord), attempt_end_row,
                     &ctx);
}
