#include "handlers/shared/reply_flow.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

void send_change_log(int sub_type, int param_type, int channel)
{
    OpLogRecord log;
    oplog_prepare(&log);
    log.sub_type = sub_type;
    log.param_type = u32(param_type);
    log.channel = u32(channel);
    core_send_oplog(log);
}

void reply_attachment(int fd, const char* file_name)
{
    constexpr size_t kPiece = 4095;
    std::printf("Content-Type:application/octet-stream\r\n");
    std::printf("Content-Disposition: attachment; filename= %s\r\n\r\n", file_name);
    char piece[kPiece];
    for (;;) {
        ssize_t n = read(fd, piece, sizeof piece);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        std::fwrite(piece, 1, size_t(n), stdout);
    }
    std::fflush(stdout);
    close(fd);
}
