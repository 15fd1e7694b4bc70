// kxchip_update: stand-in for the tool that reads and programs the
// recorder's identity chip. The chip's text is kept in a file
// ("/mnt/nand/kxchip.txt", under NVR_ROOT when set).
//
//   kxchip_update -r 32    prints "Read old:TEXT"
//   kxchip_update TEXT     programs TEXT (letters, digits, '-', '_', '.';
//                          at most 63 characters), prints "Write new:TEXT"
//
// Exit status 0 on success, 1 on a refused text or a failed write, 2 on
// wrong use.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/paths.h"

namespace {

// Factory chip text: "KXN", the N field, then the H, E and S fields each
// after its letter.
constexpr const char* kFactoryChip = "KXN000001H10E0000001S00000000001";
constexpr size_t kChipMax = 63;

std::string chip_file() { return nvr_path("/mnt/nand/kxchip.txt"); }

std::string read_chip()
{
    std::string text;
    if (FILE* f = std::fopen(chip_file().c_str(), "rb")) {
        char buf[128] = {};
        size_t n = std::fread(buf, 1, sizeof buf - 1, f);
        std::fclose(f);
        text.assign(buf, n);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    }
    return text.empty() ? kFactoryChip : text;
}

bool valid(const char* text)
{
    size_t n = std::strlen(text);
    if (n == 0 || n > kChipMax) return false;
    for (size_t i = 0; i < n; i++) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (!std::isalnum(c) && c != '-' && c != '_' && c != '.') return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "-r") == 0) {
        std::printf("chip size %s\nRead old:%s\n", argv[2], read_chip().c_str());
        return 0;
    }
    if (argc != 2 || argv[1][0] == '-') {
        std::fprintf(stderr, "usage: kxchip_update -r SIZE | kxchip_update TEXT\n");
        return 2;
    }
    if (!valid(argv[1])) {
        std::fprintf(stderr, "kxchip_update: refused text\n");
        return 1;
    }
    FILE* f = std::fopen(chip_file().c_str(), "wb");
    if (!f) return 1;
    bool ok = std::fputs(argv[1], f) >= 0;
    if (std::fclose(f) != 0) ok = false;
    if (!ok) return 1;
    std::printf("Write new:%s\n", argv[1]);
    return 0;
}
