// The socket library's frame reader over a byte stream.
//
// Input: the bytes a daemon (or a client) might put on the connection. They
// are read back frame by frame with kx_read_frame until it reports the end
// of the stream or an error, as the library's receiving thread and the
// emulator do. Each frame read must agree with the bytes: a header that
// decodes as valid, a payload of exactly the header's length followed by one
// zero byte, and a header that encodes back to the bytes it came from.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

#include "fuzz/fuzz_util.h"
#include "platform/kxsocket.h"

namespace {

int stream_fd()
{
    static int fd = memfd_create("frames", MFD_CLOEXEC);
    if (fd < 0) fuzz_fail("memfd_create", strerror(errno));
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    int fd = stream_fd();
    if (ftruncate(fd, 0) != 0 || lseek(fd, 0, SEEK_SET) != 0) fuzz_fail("memfd reset", strerror(errno));
    if (size && write(fd, data, size) != ssize_t(size)) fuzz_fail("memfd write", strerror(errno));
    lseek(fd, 0, SEEK_SET);

    size_t off = 0;
    for (;;) {
        KxFrameHeader h;
        unsigned char* payload = reinterpret_cast<unsigned char*>(&h);  // must be overwritten
        int rc = kx_read_frame(fd, &h, &payload);
        FUZZ_CHECK(rc == 1 || rc == 0 || rc == -1, std::to_string(rc));
        if (rc != 1) {
            FUZZ_CHECK(payload == nullptr, "no frame but a payload");
            // A clean end only where a frame would start.
            if (rc == 0) FUZZ_CHECK(off == size, std::to_string(off));
            break;
        }
        FUZZ_CHECK(payload != nullptr, "a frame without a payload buffer");
        FUZZ_CHECK(off + kKxHeaderSize + h.length <= size, "a frame longer than the stream");
        FUZZ_CHECK(h.magic == kKxMagic && h.version == kKxVersion && h.length <= kKxMaxPayload, "");
        unsigned char raw[kKxHeaderSize];
        kx_encode_header(&h, raw);
        FUZZ_CHECK(std::memcmp(raw, data + off, kKxHeaderSize) == 0, "header does not encode back");
        FUZZ_CHECK(std::memcmp(payload, data + off + kKxHeaderSize, h.length) == 0, "payload differs");
        FUZZ_CHECK(payload[h.length] == 0, "payload not followed by a zero byte");
        std::free(payload);
        off += kKxHeaderSize + h.length;
    }

    // The header decoder alone, on the first 24 bytes.
    if (size >= kKxHeaderSize) {
        KxFrameHeader h;
        int ok = kx_decode_header(data, &h);
        FUZZ_CHECK((ok == 0) == (h.magic == kKxMagic && h.version == kKxVersion && h.length <= kKxMaxPayload), "");
        unsigned char raw[kKxHeaderSize];
        kx_encode_header(&h, raw);
        FUZZ_CHECK(std::memcmp(raw, data, kKxHeaderSize) == 0, "header does not encode back");
    }
    return 0;
}
