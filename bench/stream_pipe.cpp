// stream_pipe: the recording download's daemon stream read by a minimal
// client, straight into standard output: no AVI, no frame queue, no CGI
// program. The bench puts it in front of the same pipe as the CGI program,
// so the difference between the two is the CGI program's own cost.
// Usage: stream_pipe CHANNEL START END   (times "%d-%d-%d %d:%d:%d";
//        NVR_ROOT names the emulator's root)
// Reads the socket in blocks of 1 MiB and writes every block as it came
// (frame headers and all) until the stream's end marker.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "platform/paths.h"
#include "handlers/playback/download_records.h"
#include "platform/kxsocket.h"

namespace {

bool write_all(int fd, const u8* p, size_t n)
{
    while (n > 0) {
        ssize_t w = write(fd, p, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        p += w;
        n -= size_t(w);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: stream_pipe CHANNEL START END\n");
        return 2;
    }
    DownloadRequest d = zeroed<DownloadRequest>();
    d.channel = std::atoi(argv[1]);
    set_text(d.start_time, argv[2]);
    set_text(d.end_time, argv[3]);

    const std::string path = nvr_path("/var/run/kxsocket");
    int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un a{};
    a.sun_family = AF_UNIX;
    std::strncpy(a.sun_path, path.c_str(), sizeof a.sun_path - 1);
    if (s < 0 || connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        kx_write_frame(s, 1, 1173, kKxFlagWait, &d, sizeof d) != 0) {
        std::perror("stream_pipe: daemon");
        return 1;
    }
    // Passes the bytes on as they come and follows the frame boundaries only
    // to find the end marker: the chunk length of a 6173 reply.
    std::vector<u8> buf(1 << 20);
    size_t frame_left = 0;          // bytes of the current frame not yet seen
    u8 head[kKxHeaderSize + kFrameChunkHead];
    size_t head_have = 0;           // bytes of the next frame's headers gathered
    bool end = false;
    while (!end) {
        ssize_t n = read(s, buf.data(), buf.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        if (!write_all(1, buf.data(), size_t(n))) return 1;
        size_t at = 0;
        while (at < size_t(n) && !end) {
            if (frame_left > 0) {
                const size_t skip = std::min(frame_left, size_t(n) - at);
                at += skip;
                frame_left -= skip;
                continue;
            }
            const size_t take = std::min(sizeof head - head_have, size_t(n) - at);
            std::memcpy(head + head_have, buf.data() + at, take);
            head_have += take;
            at += take;
            if (head_have < kKxHeaderSize) continue;
            KxFrameHeader h;
            if (kx_decode_header(head, &h) != 0) return 1;
            if (h.length >= kFrameChunkHead && head_have < sizeof head) continue;
            if (h.length >= kFrameChunkHead) {
                i32 chunk_length;
                std::memcpy(&chunk_length, head + kKxHeaderSize + offsetof(FrameChunk, chunk_length), 4);
                end = chunk_length == kChunkEnd || chunk_length == kChunkAbort;
            }
            // What of this frame's payload the gathered headers did not cover.
            frame_left = kKxHeaderSize + size_t(h.length) - std::min(head_have, kKxHeaderSize + size_t(h.length));
            // Bytes gathered past this frame belong to the next one.
            const size_t over = head_have - std::min(head_have, kKxHeaderSize + size_t(h.length));
            at -= over;
            head_have = 0;
        }
    }
    close(s);
    return end ? 0 : 1;
}
