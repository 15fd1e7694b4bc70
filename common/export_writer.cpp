// Export stream writer (see export_writer.h).
//
// The queue is bounded by 10 MiB of frame data rather than by frames, so that
// large key frames and many small frames share one limit; the producer waits
// rather than grow memory. Both sides wait on one condition variable in
// turns of 40 ms, and the time-outs are counted in those turns (25 turns for
// a put that finds the queue full, 1,500 idle turns before the writer gives
// up on a silent daemon). A turn ends early only when it is worth it: the
// producer is woken as soon as there is room, the writer once 256 KiB of
// frames wait (or the stream ends), so that the two threads do not wake each
// other for every small frame; the writer then writes all that is queued,
// and the AVI library gathers small frames into large writes.
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
constexpr size_t kWakeBytes = 256u << 10;

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
    bool writer_waiting = false;    // the writer sleeps for want of frames
    bool wake_writer = false;       // ... and has been told to get up
    bool producer_waiting = false;  // the producer sleeps for want of room
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
    bool gathered = false;  // the AVI library holds bytes not yet written
    while (w.running) {
        Frame* f = nullptr;
        {
            std::unique_lock<std::mutex> lock(w.mutex);
            if (!w.head && !w.finished && gathered) {
                // Out of frames: what the AVI library gathered goes to the
                // reader before the wait.
                lock.unlock();
                gathered = false;
                if (kx_avi_flush(w.avi) != 0) break;  // the reader has gone
                continue;
            }
            if (!w.head && !w.finished) {
                w.writer_waiting = true;
                w.moved.wait_for(lock, turn(), [&] { return w.wake_writer || w.finished || !w.running; });
                w.writer_waiting = false;
                w.wake_writer = false;
                if (!w.head) {
                    if (!w.finished && ++idle > kIdleTurns) break;  // the daemon has gone silent
                    continue;
                }
            }
            f = w.head;
            if (!f) break;  // finished, and everything written
        }
        idle = 0;
        // The frames queued now are written one after the other without
        // taking the lock again but to count each off; the producer adds
        // behind them meanwhile.
        int rc = 0;
        while (f && w.running) {
            rc = kx_avi_write_fp_ex(w.avi, f->block(), sizeof(MediaFrameHeader) + f->size);
            gathered = true;
            Frame* next = nullptr;
            {
                std::lock_guard<std::mutex> lock(w.mutex);
                next = f->next;
                w.head = next;
                if (!next) w.tail = nullptr;
                w.count--;
                w.bytes -= f->size;
                w.taken++;
                if (w.producer_waiting && w.bytes < kQueueLimit) w.moved.notify_all();  // room for the producer
            }
            std::free(f);
            f = next;
            if (rc != 0) break;  // the reader has gone (or the file is full): nothing more can be written
        }
        if (rc != 0) break;
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
        w.producer_waiting = true;
        w.moved.wait_for(lock, turn(), [&] { return w.bytes < kQueueLimit || !w.running; });
        w.producer_waiting = false;
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
    // A waiting writer is woken once a batch worth writing has gathered, or
    // by its own turn (40 ms) for a slow stream: not for every frame.
    if (w.writer_waiting && !w.wake_writer && w.bytes >= kWakeBytes) {
        w.wake_writer = true;
        w.moved.notify_all();
    }
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
