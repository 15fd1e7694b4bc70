// Export stream writer (see export_writer.h).
//
// The queue is bounded by 10 MiB of frame data rather than by frames, so that
// large key frames and many small frames share one limit; the producer waits
// rather than grow memory. Both sides wait on one condition variable in
// turns of 40 ms: a turn ends early as soon as the other side has moved, so
// the stream runs at the speed of the output, while the time-outs stay those
// of 40 ms turns (25 turns for a put that finds the queue full, 1,500 idle
// turns before the writer gives up on a silent daemon).
#include "common/export_writer.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <pthread.h>
#include <thread>

namespace {

constexpr size_t kQueueLimit = 10u << 20;
constexpr size_t kMaxFrame = 16u << 20;
constexpr int kPutTurns = 25;
constexpr int kIdleTurns = 1500;

// A queued frame: this node, then the 88-byte header and the data, so that
// the AVI library gets header and data as one block.
struct Frame {
    Frame* next;
    size_t size;  // data bytes
    u8* block() { return reinterpret_cast<u8*>(this + 1); }
};

Frame* frame_new(const MediaFrameHeader* header, size_t size)
{
    auto* f = static_cast<Frame*>(std::malloc(sizeof(Frame) + sizeof(MediaFrameHeader) + size));
    if (!f) return nullptr;
    f->next = nullptr;
    f->size = size;
    std::memcpy(f->block(), header, sizeof *header);
    return f;
}

struct Writer {
    KxAvi* avi = nullptr;
    std::atomic<int> running{0};
    std::atomic<int> finished{0};
    std::mutex mutex;  // guards the queue and its counters
    std::condition_variable moved;
    Frame* head = nullptr;
    Frame* tail = nullptr;
    size_t count = 0;
    size_t bytes = 0;
    std::atomic<unsigned long> taken{0};  // frames the writer has taken off
    std::thread task;
    // The frame under assembly: touched only by the thread that puts.
    Frame* building = nullptr;
    size_t received = 0;
};

Writer g_writer;
std::atomic<int> g_turn_ms{40};

std::chrono::milliseconds turn() { return std::chrono::milliseconds(g_turn_ms.load()); }

void free_queue()
{
    std::lock_guard<std::mutex> lock(g_writer.mutex);
    while (Frame* f = g_writer.head) {
        g_writer.head = f->next;
        std::free(f);
    }
    g_writer.tail = nullptr;
    g_writer.count = 0;
    g_writer.bytes = 0;
}

void wake()
{
    std::lock_guard<std::mutex> lock(g_writer.mutex);
    g_writer.moved.notify_all();
}

void writer_task()
{
    pthread_setname_np(pthread_self(), "remote_backup");
    Writer& w = g_writer;
    int idle = 0;
    while (w.running) {
        Frame* f = nullptr;
        {
            std::unique_lock<std::mutex> lock(w.mutex);
            if (!w.head && !w.finished) {
                if (!w.moved.wait_for(lock, turn(), [&] { return w.head || w.finished || !w.running; })) {
                    if (++idle > kIdleTurns) break;  // the daemon has gone silent
                    continue;
                }
            }
            if ((f = w.head)) {
                w.head = f->next;
                if (!w.head) w.tail = nullptr;
                w.count--;
                w.bytes -= f->size;
            }
        }
        if (!f) {
            if (w.finished) break;
            continue;
        }
        w.taken++;
        w.moved.notify_all();  // room for the producer
        idle = 0;
        const int rc = kx_avi_write_fp_ex(w.avi, f->block(), sizeof(MediaFrameHeader) + f->size);
        std::free(f);
        if (rc != 0) break;  // the reader has gone (or the file is full): nothing more can be written
    }
    free_queue();
    w.running = 0;
    wake();
}

// Appends a whole frame (taking it over); waits while the queue is full.
int enqueue(Frame* f)
{
    Writer& w = g_writer;
    std::unique_lock<std::mutex> lock(w.mutex);
    int turns = 0;
    unsigned long seen = w.taken;
    while (w.bytes >= kQueueLimit) {
        if (!w.running || turns >= kPutTurns) {
            lock.unlock();
            std::free(f);
            return -1;
        }
        w.moved.wait_for(lock, turn(), [&] { return w.bytes < kQueueLimit || !w.running; });
        if (w.taken != seen) {
            seen = w.taken;  // the writer is moving: a slow reader is not a stalled one
            turns = 0;
        } else {
            turns++;
        }
    }
    if (!w.running) {
        lock.unlock();
        std::free(f);
        return -1;
    }
    if (w.tail)
        w.tail->next = f;
    else
        w.head = f;
    w.tail = f;
    w.count++;
    w.bytes += f->size;
    w.moved.notify_all();
    return 0;
}

}  // namespace

void export_writer_set_turn_ms(int ms)
{
    g_turn_ms = ms > 0 ? ms : 40;
}

int export_writer_open(FILE* out, KxAvi** handle)
{
    if (!out || !handle) return -1;
    Writer& w = g_writer;
    if (w.task.joinable()) return -1;
    KxAvi* avi = kx_avi_open_fp(out);
    *handle = avi;
    if (!avi) return -1;
    free_queue();
    std::free(w.building);
    w.building = nullptr;
    w.received = 0;
    w.avi = avi;
    w.finished = 0;
    w.running = 1;
    try {
        w.task = std::thread(writer_task);
    } catch (...) {
        w.running = 0;
        w.avi = nullptr;
        kx_avi_close_fp(avi);
        *handle = nullptr;
        return -1;
    }
    return 0;
}

int export_writer_put(const MediaFrameHeader* header, const void* data, i32 chunk_offset, i32 chunk_length)
{
    Writer& w = g_writer;
    if (!header) return 0;
    if (chunk_offset == 0) {
        std::free(w.building);
        w.building = nullptr;
        w.received = 0;
        if (header->size > kMaxFrame) return -1;
        if (header->size == 0) return 0;  // nothing to write
        w.building = frame_new(header, header->size);
        if (!w.building) return -1;
    }
    if (!w.building) return 0;  // a continuation without its start
    size_t n = chunk_length > 0 && data ? size_t(chunk_length) : 0;
    if (n > w.building->size - w.received) n = w.building->size - w.received;
    if (n) std::memcpy(w.building->block() + sizeof(MediaFrameHeader) + w.received, data, n);
    w.received += n;
    if (w.received < w.building->size) return 0;
    Frame* f = w.building;
    w.building = nullptr;
    w.received = 0;
    return enqueue(f);
}

void export_writer_stop()
{
    g_writer.running = 0;
    wake();
}

int export_writer_running()
{
    return g_writer.running;
}

int export_writer_close(KxAvi* handle)
{
    Writer& w = g_writer;
    w.finished = 1;
    wake();
    if (w.task.joinable()) w.task.join();
    std::free(w.building);
    w.building = nullptr;
    w.received = 0;
    w.running = 0;
    w.avi = nullptr;
    return kx_avi_close_fp(handle);
}
