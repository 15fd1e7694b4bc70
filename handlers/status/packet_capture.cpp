// Packet capture for network diagnostics: "/8005" starts tcpdump on one of
// the recorder's interfaces, "/8006" stops it, "/8007" sends the capture as
// one tar archive and removes it.
//
// No request text reaches a shell: every tool runs from an argument vector,
// and the texts are checked first (an interface of this machine, an IP
// address, a port number, an absolute directory of plain names). A capture keeps at most two files of 25 million bytes and runs at
// most five minutes. "/8007" reads, renames and removes nothing but the
// capture's own two files.
#include <arpa/inet.h>
#include <dirent.h>
#include <net/if.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "common/json.h"
#include "platform/paths.h"
#include "common/reply.h"
#include "common/tool_run.h"
#include "handlers/status/status.h"
#include "platform/net.h"

namespace {

constexpr size_t kIpChars = 63, kPortChars = 31, kNicChars = 7, kDirChars = 127;
constexpr const char* kBasePrefix = "rvpcap-";
constexpr size_t kStampDigits = 14;  // %Y%m%d%H%M%S
constexpr int kCaptureSeconds = 300;
constexpr const char* kCaptureFiles = "2";   // files kept in turn
constexpr const char* kCaptureMillions = "25";  // bytes of one file, in millions
constexpr const char* kMonitor = "/www/webmonitor";

std::string cut(const char* s, size_t max) { return s ? std::string(s, strnlen(s, max)) : std::string(); }

// An absolute directory path whose parts are plain names of letters,
// digits, '.', '-' and '_' (mount points such as "/mnt/sda1"), never "."
// or "..".
bool capture_dir_ok(const std::string& dir)
{
    if (dir.empty() || dir[0] != '/') return false;
    size_t start = 1;
    while (start < dir.size()) {
        size_t end = dir.find('/', start);
        if (end == std::string::npos) end = dir.size();
        const std::string part = dir.substr(start, end - start);
        if (part == "." || part == "..") return false;
        for (unsigned char c : part)
            if (!std::isalnum(c) && c != '.' && c != '-' && c != '_') return false;
        start = end + 1;
    }
    return true;
}

// The directory as the client names it, without trailing slashes ("/" stays).
std::string trimmed_dir(std::string dir)
{
    while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
    return dir;
}

// "rvpcap-" and the 14 digits of the capture's start.
bool base_name_ok(const std::string& base)
{
    if (base.size() != std::strlen(kBasePrefix) + kStampDigits || base.compare(0, 7, kBasePrefix) != 0) return false;
    for (size_t i = 7; i < base.size(); i++)
        if (!std::isdigit(static_cast<unsigned char>(base[i]))) return false;
    return true;
}

bool port_ok(const std::string& port)
{
    if (port.empty() || port.size() > 5) return false;
    for (char c : port)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    long n = std::strtol(port.c_str(), nullptr, 10);
    return n >= 1 && n <= 65535;
}

bool address_ok(const std::string& ip)
{
    unsigned char buf[16];
    return inet_pton(AF_INET, ip.c_str(), buf) == 1 || inet_pton(AF_INET6, ip.c_str(), buf) == 1;
}

// The interface is one of this machine's.
bool interface_ok(const std::string& nic)
{
    if (nic.empty()) return false;
    for (unsigned char c : nic)
        if (!std::isalnum(c) && c != '.' && c != '-' && c != '_' && c != ':') return false;
    return if_nametoindex(nic.c_str()) != 0;
}

// A regular file (not a link) at `path`.
bool regular(const std::string& path)
{
    struct stat st;
    return lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Removes the capture files an earlier capture left in the directory:
// "rvpcap-" names only, regular files only.
void remove_old_captures(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (struct dirent* e = readdir(d))
            if (std::strncmp(e->d_name, kBasePrefix, std::strlen(kBasePrefix)) == 0) names.push_back(e->d_name);
        closedir(d);
    }
    for (const std::string& name : names) {
        const std::string base = name.substr(0, std::strlen(kBasePrefix) + kStampDigits);
        const std::string rest = name.substr(base.size());
        if (!base_name_ok(base)) continue;
        if (rest != "0" && rest != "1" && rest != "0.pcap" && rest != "1.pcap") continue;
        if (regular(dir + "/" + name)) unlink((dir + "/" + name).c_str());
    }
}

}  // namespace

int capture_start(const char* request)
{
    JsonPtr req = json_parse(request);
    if (!req) return 0;
    const std::string ip = cut(jstr(req.get(), "ip"), kIpChars);
    const std::string port = cut(jstr(req.get(), "port"), kPortChars);
    const std::string nic = cut(jstr(req.get(), "nic"), kNicChars);
    const std::string dir = trimmed_dir(cut(jstr(req.get(), "mntPath"), kDirChars));
    if (!interface_ok(nic) || (!ip.empty() && !address_ok(ip)) || (!port.empty() && !port_ok(port)) ||
        !capture_dir_ok(dir)) {
        cgi_reply_error(kReplyJson);
        return 0;
    }

    char base[32];
    const time_t now = time(nullptr);
    struct tm t;
    localtime_r(&now, &t);
    std::strftime(base, sizeof base, "rvpcap-%Y%m%d%H%M%S", &t);

    IfaceInfo info;
    std::memset(&info, 0, sizeof info);
    interface_info(nic.c_str(), &info);
    char v6[kNetIpv6TextLen] = {}, prefix[kNetPrefixTextLen] = {};
    if (net_get_ipv6_ifaddr(kNetScopeGlobal, nic.c_str(), v6, prefix) != 0 &&
        net_get_ipv6_ifaddr(kNetScopeLinkLocal, nic.c_str(), v6, prefix) != 0)
        v6[0] = '\0';
    const std::string v4(info.address, strnlen(info.address, sizeof info.address));
    if (v4.empty() && !v6[0]) {
        cgi_reply_error(kReplyJson);  // no address to capture on
        return 0;
    }

    // The recorder's own traffic on the interface, narrowed to a peer and a
    // port when given.
    std::string filter = v4.empty() ? std::string("host ") + v6 : "host " + v4;
    if (!v4.empty() && v6[0]) filter += std::string(" || host ") + v6;
    if (!ip.empty()) filter += " && host " + ip;
    if (!port.empty()) filter += " && port " + port;

    const std::string local_dir = nvr_root() + dir;
    tool_run({"killall", "tcpdump"});
    tool_run({"killall", "webmonitor"});
    remove_old_captures(local_dir);
    tool_start({"tcpdump", "-i", nic, "-s0", filter, "-W", kCaptureFiles, "-C", kCaptureMillions, "-w",
                (local_dir == "/" ? std::string() : local_dir) + "/" + base},
               kCaptureSeconds);
    const std::string monitor = nvr_path(kMonitor);
    if (access(monitor.c_str(), X_OK) == 0) tool_start({monitor, "tcpdump", std::to_string(kCaptureSeconds)});

    JsonPtr obj = jobject();
    jadd(obj.get(), "dirPath", dir.c_str());
    jadd(obj.get(), "fileName", base);
    json_reply(kReplyJson, obj.get());
    return 0;
}

int capture_stop(const char*)
{
    tool_run({"killall", "tcpdump"});
    cgi_reply_ok();
    return 0;
}

// The request text is the capture's directory, "/" and its base name.
int capture_download(const char* request)
{
    const std::string text = request ? request : "";
    const size_t slash = text.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : trimmed_dir(text.substr(0, slash == 0 ? 1 : slash));
    const std::string base = slash == std::string::npos ? "" : text.substr(slash + 1);
    if (text.empty() || !capture_dir_ok(dir) || dir.size() > kDirChars || !base_name_ok(base)) {
        cgi_reply_error(kReplyText);
        return 0;
    }
    const std::string local_dir = nvr_root() + (dir == "/" ? "" : dir);
    std::vector<std::string> members;
    for (const char* suffix : {"0", "1"}) {
        const std::string file = local_dir + "/" + base + suffix;
        const std::string pcap = file + ".pcap";
        if (regular(file)) rename(file.c_str(), pcap.c_str());
        if (regular(pcap)) members.push_back(base + suffix + ".pcap");
    }
    const std::string archive = (dir == "/" ? "" : dir) + "/packet.tar";
    cgi_debug_log(__FILE__, __LINE__, __func__, "real_name:%s", archive.c_str());
    if (members.empty()) return 0;

    // The archive is written straight into the reply: nothing but the
    // capture files is read, and no archive file is left behind.
    std::printf("Content-Type:application/octet-stream\r\n");
    std::printf("Content-Disposition: attachment; filename= %s\r\n\r\n", "packet.tar");
    std::fflush(stdout);
    std::vector<std::string> argv = {"tar", "-cf", "-", "--"};
    argv.insert(argv.end(), members.begin(), members.end());
    ToolOptions opt;
    opt.stdout_fd = STDOUT_FILENO;
    opt.dir = local_dir.empty() ? "/" : local_dir.c_str();
    tool_run(argv, opt);
    for (const std::string& m : members) unlink((local_dir + "/" + m).c_str());
    return 0;
}
