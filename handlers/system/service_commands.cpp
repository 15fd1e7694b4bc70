// Service commands of "/vb.htm" (language, display options, clean-up of the
// customised resources, the identity chip, the software version), the
// customised firmware package "/oem", and the fixed answers "/dw.cgi" and
// "/1019".
//
// Every tool runs from an argument vector: no text of a request ever reaches
// a shell. The identity chip is read and programmed with kxchip_update.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/core.h"
#include "platform/paths.h"
#include "common/reply.h"
#include "common/tool_run.h"
#include "handlers/system/owned_files.h"
#include "handlers/system/service_records.h"
#include "handlers/system/system.h"
#include "platform/kxcrypt.h"
#include "platform/kxdb.h"

namespace {

// ---- the command text ----

constexpr size_t kCommandText = 255;  // characters of the request considered
constexpr size_t kPairLimit = 64;     // names and values end before this position
constexpr size_t kChipText = 63;

struct Pair {
    std::string name;
    std::string value;
};

using CommandFn = void (*)(const Pair& pair);

void reply_text(const char* text) { cgi_reply(kReplyText, text); }

// Stores a text value under a key, creating the key when absent.
void store_text(const char* key, const std::string& value)
{
    if (check_param_key(kMainDb, key) != 0)
        add_param_value(kMainDb, key, value.c_str());
    else
        set_param_value(kMainDb, key, value.c_str());
}

// ---- the identity chip ----

// The chip text: the rest of the first line of "kxchip_update -r 32" that
// holds "Read old:", from its tenth character. False when the tool gave no
// such line.
bool read_chip(std::string* chip)
{
    std::string out;
    ToolOptions opt;
    opt.output = &out;
    opt.output_max = 64 * 1024;
    if (tool_run({"kxchip_update", "-r", "32"}, opt) < 0) return false;
    size_t start = 0;
    while (start < out.size()) {
        size_t end = out.find('\n', start);
        if (end == std::string::npos) end = out.size();
        std::string line = out.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.find("Read old:") != std::string::npos) {
            *chip = line.size() > 9 ? line.substr(9, kChipText) : std::string();
            return true;
        }
        start = end + 1;
    }
    return false;
}

// Identity fields are letters, digits and '-', '_', '.'; anything else is
// refused before the chip is touched.
bool chip_chars(const std::string& s)
{
    for (unsigned char c : s)
        if (!std::isalnum(c) && c != '-' && c != '_' && c != '.') return false;
    return true;
}

// Programs the chip text; true when the tool ran and reported success.
bool write_chip(const std::string& chip)
{
    return !chip.empty() && chip[0] != '-' && chip_chars(chip) && tool_run({"kxchip_update", chip}) == 0;
}

// Writes `text` over the chip text from position `at`; false when the chip
// text is too short to hold the field.
bool patch_chip(std::string* chip, size_t at, const std::string& text)
{
    if (chip->size() < at + text.size()) return false;
    chip->replace(at, text.size(), text);
    return true;
}

// ---- the commands ----

void cmd_setlang(const Pair& pair)
{
    IdRecord lang{std::atoi(pair.value.c_str())};
    core_notify(kMsgSetLanguage, lang);
    cgi_reply_ok();
}

void cmd_setdefault(const Pair&) {}

void cmd_decode(const Pair& pair)
{
    store_text(kKeyDecode, pair.value);
    cgi_reply_ok();
}

void cmd_hotplug(const Pair& pair)
{
    store_text(kKeyHdmiHotplug, pair.value);
    cgi_reply_ok();
}

void copy_file(const std::string& from, const std::string& to)
{
    std::string bytes;
    if (!read_whole(from, &bytes, size_t(64) << 20)) return;
    if (FILE* f = std::fopen(to.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

// Removes the files of a directory (not its subdirectories, not names that
// begin with '.'), as "rm DIR/*" does.
void remove_files_of(const std::string& dir)
{
    DIR* d = opendir(dir.c_str());
    if (!d) return;
    while (struct dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        struct stat st;
        if (fstatat(dirfd(d), e->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 && !S_ISDIR(st.st_mode))
            unlinkat(dirfd(d), e->d_name, 0);
    }
    closedir(d);
}

// Back to the factory look: the saved logo and GUI resources return, the
// customised files go, the factory web pages are unpacked again, and the
// next start erases addresses, users and settings.
void cmd_oemclean(const Pair&)
{
    const std::string oem = nvr_path("/mnt/nand2");
    const std::string bin = nvr_path("/opt/app/bin");
    const std::string www = nvr_path("/opt/app/www");
    make_dirs(oem);
    make_dirs(bin);
    copy_file(oem + "/logo.jpg_bk", bin + "/logo.jpg");
    copy_file(oem + "/gui.rcc_bk", bin + "/gui.rcc");
    remove_files_of(oem);
    tool_run({"tar", "-zxf", www + "/web.tar.gz", "-C", www + "/"});
    touch_file(nvr_path("/mnt/nand/app/eraseip"));
    touch_file(nvr_path("/mnt/nand/app/eraseuser"));
    set_param_int(kMainDb, kKeyOemType, 0);
    touch_file(nvr_path("/mnt/nand/app/eraseall"));
    sync();
    cgi_reply_ok();
}

void cmd_paratest(const Pair& pair)
{
    if (pair.value != "chipinfo") {
        reply_text("Param ERROR");
        return;
    }
    std::string chip;
    if (!read_chip(&chip)) {
        reply_text("ERROR");
        return;
    }
    cgi_reply(kReplyText, ("OK chipinfo=" + chip + "\n").c_str());
}

// "N", "H", "E" or "S" and the field's characters, written after the
// field's position; or "KXN..." for the whole chip text.
void cmd_chipupdate(const Pair& pair)
{
    std::string chip;
    bool have_chip = read_chip(&chip);
    std::string value = pair.value.substr(0, kChipText);
    if (value.size() > 20 && value.size() < 32) value.resize(32, '0');
    bool ok = !value.empty() && value.size() <= 32 && chip_chars(value);
    if (ok) {
        struct Field {
            char letter;
            size_t at, length;
        };
        static const Field kFields[] = {{'N', 3, 6}, {'H', 9, 2}, {'E', 12, 7}, {'S', 20, 11}};
        const Field* field = nullptr;
        for (const Field& f : kFields)
            if (value[0] == f.letter) field = &f;
        if (value.compare(0, 3, "KXN") == 0) {
            chip = value;
        } else if (field && have_chip && value.size() >= 1 + field->length) {
            ok = patch_chip(&chip, field->at, value.substr(1, field->length));
        } else {
            ok = false;
        }
    }
    reply_text(ok && write_chip(chip) ? "OK chipupdate" : "NG chipupdate");
}

// A field with its letter, padded with '0' to the field's length.
void cmd_modelupdate(const Pair& pair)
{
    std::string chip;
    bool have_chip = read_chip(&chip);
    std::string value = pair.value.substr(0, kChipText);
    struct Field {
        char letter;
        size_t length, at;
    };
    static const Field kFields[] = {{'E', 8, 12}, {'H', 3, 9}, {'N', 7, 2}, {'S', 12, 20}};
    const Field* field = nullptr;
    for (const Field& f : kFields)
        if (!value.empty() && value[0] == f.letter) field = &f;
    bool ok = field && have_chip && value.size() <= field->length && chip_chars(value);
    if (ok) {
        value.resize(field->length, '0');
        ok = patch_chip(&chip, field->at, value);
    }
    reply_text(ok && write_chip(chip) ? "OK modelupdate" : "NG modelupdate");
}

void cmd_softversion(const Pair&)
{
    char version[256];
    get_param_value(kMainDb, kKeySoftwareVersion, version, sizeof version, kDefaultSoftwareVersion);
    reply_text(version);
}

// The command table, looked up through 64 hash chains.
struct CommandRow {
    const char* name;
    CommandFn fn;
};
const CommandRow kCommands[] = {
    {"setlang", cmd_setlang},       {"setdefault", cmd_setdefault}, {"decode", cmd_decode},
    {"hotplug", cmd_hotplug},       {"oemclean", cmd_oemclean},     {"paratest", cmd_paratest},
    {"chipupdate", cmd_chipupdate}, {"modelupdate", cmd_modelupdate}, {"softversion", cmd_softversion},
};
// Commands a client may send alone, without "=value".
const char* const kBareCommands[] = {"oemclean", "elvar", "debug", "softversion"};

constexpr unsigned kChains = 64;

unsigned chain_of(const std::string& name)
{
    u32 h = 0;
    for (unsigned char c : name) h = h * 37 + c;
    return h % kChains;
}

class CommandTable {
public:
    CommandTable()
    {
        for (const CommandRow& row : kCommands) {
            unsigned c = chain_of(row.name);
            chains_[c].insert(chains_[c].begin(), &row);
        }
    }
    CommandFn find(const std::string& name) const
    {
        for (const CommandRow* row : chains_[chain_of(name)])
            if (name == row->name) return row->fn;
        return nullptr;
    }

private:
    std::vector<const CommandRow*> chains_[kChains];
};

// Splits "name=value&name=value": false when a name or value reaches
// position 64 of the text.
bool split_pairs(const std::string& text, std::vector<Pair>* pairs)
{
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('&', start);
        if (end == std::string::npos) end = text.size();
        size_t eq = text.find('=', start);
        if (eq != std::string::npos && eq < end) {
            if (end > kPairLimit) return false;
            pairs->push_back({text.substr(start, eq - start), text.substr(eq + 1, end - eq - 1)});
        }
        start = end + 1;
    }
    return true;
}

}  // namespace

int service_command(const char* request)
{
    if (!request) {
        reply_text("ERROR");
        return 0;
    }
    const std::string text(request, strnlen(request, kCommandText));
    std::vector<Pair> pairs;
    for (const char* bare : kBareCommands)
        if (text == bare) pairs.push_back({bare, "1"});
    if (pairs.empty()) {
        if (text.find('=') == std::string::npos || !split_pairs(text, &pairs) || pairs.empty()) {
            reply_text("PARAM ERROR");
            return 0;
        }
    }
    const CommandTable table;
    for (const Pair& pair : pairs) {
        CommandFn fn = table.find(pair.name);
        if (!fn) {
            reply_text("ERROR");
            return 0;
        }
        fn(pair);
    }
    return 0;
}

// ---- "/oem" ----

namespace {

constexpr size_t kPackageMax = size_t(32) << 20;  // encoded upload at most 32 MiB
constexpr const char* kUploadDir = "/tmp";
constexpr const char* kPackageZip = "/tmp/oem.zip";
constexpr const char* kOemDir = "/mnt/nand2";

}  // namespace

// The upload is Base64 text of the AES-encrypted zip file; the key comes
// with the query ("aes=KEY"). Only the upload itself (a file directly in the
// upload directory) is read and removed.
int oem_package(const char* request)
{
    if (!request) {
        reply_text("ERROR");
        return 0;
    }
    const char* sep = std::strstr(request, " & ");
    const std::string path = sep ? std::string(request, size_t(sep - request)) : std::string(request);
    const char* query = sep ? sep + 3 : "";
    const char* aes = std::strstr(query, "aes=");
    if (!aes) {
        reply_text("ERROR");
        return 0;
    }
    std::string key(aes + 4, strnlen(aes + 4, kAesWebKeyChars));
    key = key.substr(0, key.find('&'));
    std::string encoded;
    if (key.empty() || !regular_file_in(path, kUploadDir) || !read_whole(path, &encoded, kPackageMax)) {
        reply_text("ERROR");
        return 0;
    }
    std::vector<unsigned char> cipher(size_t(kx_base64_decoded_max(int(encoded.size()))) + 1);
    int n = kx_base64_decode(encoded.data(), int(encoded.size()), cipher.data(), int(cipher.size()));
    std::vector<unsigned char> plain(cipher.size());
    int plain_len = n > 0 ? aesDecryWeb(cipher.data(), key.c_str(), plain.data(), n) : -1;
    if (plain_len <= 0) {
        reply_text("ERROR");
        return 0;
    }
    const std::string zip = nvr_path(kPackageZip);
    unlink(zip.c_str());  // never written through a link planted there
    FILE* f = std::fopen(zip.c_str(), "wbx");
    bool written = f && std::fwrite(plain.data(), 1, size_t(plain_len), f) == size_t(plain_len);
    if (f && std::fclose(f) != 0) written = false;
    unlink(path.c_str());
    const std::string oem = nvr_path(kOemDir);
    make_dirs(oem);
    bool unpacked = written && tool_run({"unzip", "-o", zip, "-d", oem + "/"}) == 0;
    unlink(zip.c_str());
    if (!unpacked) {
        reply_text("ERROR");
        return 0;
    }
    touch_file(oem + "/oem_upload");
    cgi_reply_ok();
    return 0;
}

int download_refused(const char*)
{
    reply_text("NG download");
    return 0;
}

int upload_ignored(const char*) { return 0; }
