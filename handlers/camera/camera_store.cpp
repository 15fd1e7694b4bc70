// Store calls of the camera tables.
#include <cstdlib>
#include <vector>

#include "handlers/camera/camera_records.h"

namespace {

// Reads row `id`; a row that is not there comes back zeroed with its id set.
template <typename T>
int read_channel_row(const char* db, const StoreKind<T>& kind, T* out, int id)
{
    int r = store_read(db, kind, id, out);
    if (r != 0) out->id = id;
    return r;
}

// Copies every stored row of a kind (those passing `keep`) into a list
// allocated with malloc.
template <typename T>
int read_list(const char* db, const StoreKind<T>& kind, T** list, int* count, bool (*keep)(const T&, int), int arg)
{
    struct Collect {
        std::vector<T> rows;
        bool (*keep)(const T&, int);
        int arg;
    } c{{}, keep, arg};
    *list = nullptr;
    *count = 0;
    int n = kxdb_rows_each(
        db, kind,
        [](const void* record, int, void* ctx) {
            auto* c = static_cast<Collect*>(ctx);
            T row;
            std::memcpy(&row, record, sizeof row);
            if (c->keep(row, c->arg)) c->rows.push_back(row);
        },
        &c);
    if (n < 0) return -1;
    if (c.rows.empty()) return 0;
    *list = static_cast<T*>(std::malloc(c.rows.size() * sizeof(T)));
    if (!*list) return -1;
    std::memcpy(static_cast<void*>(*list), c.rows.data(), c.rows.size() * sizeof(T));
    *count = int(c.rows.size());
    return 0;
}

}  // namespace

int read_camera(const char* db, CameraRecord* out, int id) { return read_channel_row(db, kCameraKind, out, id); }

int write_camera(const char* db, const CameraRecord* rec) { return store_write(db, kCameraKind, rec->id, *rec); }

int read_cameras(const char* db, CameraRecord* out, int* count)
{
    return store_read_all(db, kCameraKind, out, kMaxCameras, count);
}

int read_osd(const char* db, OsdRecord* out, int id) { return read_channel_row(db, kOsdKind, out, id); }

int write_osd(const char* db, const OsdRecord* rec) { return store_write(db, kOsdKind, rec->id, *rec); }

int read_osds(const char* db, OsdRecord* out, int* count)
{
    return kxdb_rows_read(db, kOsdKind, out, kMaxCameras, count);
}

int read_osd_name(const char* db, char (&name)[64], int id)
{
    OsdRecord osd;
    int r = read_osd(db, &osd, id);
    std::memcpy(name, osd.name, sizeof name);
    name[sizeof name - 1] = '\0';
    return r;
}

int read_privacy_mask(const char* db, PrivacyMaskRecord* out, int id)
{
    return read_channel_row(db, kPrivacyMaskKind, out, id);
}

int write_privacy_mask(const char* db, const PrivacyMaskRecord* rec)
{
    return store_write(db, kPrivacyMaskKind, rec->id, *rec);
}

int read_privacy_masks(const char* db, PrivacyMaskRecord* out, int* count)
{
    struct Collect {
        PrivacyMaskRecord* out;
        int n;
    } c{out, 0};
    *count = 0;
    int n = kxdb_rows_each(
        db, kPrivacyMaskKind,
        [](const void* record, int, void* ctx) {
            auto* c = static_cast<Collect*>(ctx);
            if (c->n < kMaxCameras) std::memcpy(&c->out[c->n++], record, sizeof(PrivacyMaskRecord));
        },
        &c);
    if (n < 0) return -1;
    *count = c.n;
    return 0;
}

int read_ipc_protocols(const char* db, IpcProtocolRecord** list, int* count)
{
    return read_list<IpcProtocolRecord>(
        db, kIpcProtocolKind, list, count, [](const IpcProtocolRecord&, int) { return true; }, 0);
}

void release_ipc_protocol(IpcProtocolRecord* list) { std::free(list); }

int write_ipc_protocol(const char* db, const IpcProtocolRecord* rec)
{
    return store_write(db, kIpcProtocolKind, rec->id, *rec);
}

int read_ipc_models_by_protocol(const char* db, IpcModelRecord** list, int protocol, int* count)
{
    return read_list<IpcModelRecord>(
        db, kIpcModelKind, list, count, [](const IpcModelRecord& m, int p) { return m.protocol == p; }, protocol);
}

void ipc_destroy(IpcModelRecord* list) { std::free(list); }

int read_ipc_model(const char* db, IpcModelRecord* out, int model_id)
{
    return store_read(db, kIpcModelKind, model_id, out);
}
