// The settings profile file, written by `kxprofile -e` and read by
// `kxprofile -i` (and recognised by the CGI program before it hands an export
// out for download).
//
// One file holds the configuration databases as SQLite images, each taken
// with SQLite's online backup (a consistent snapshot even while other
// processes write) and stored in rollback-journal mode so that an image is a
// complete database file on its own. Integers are little-endian:
//
//   offset  size  field
//   0       8     marker "NVRPROF1"
//   8       4     number of databases n (1 .. kProfileMaxDbs)
//   12      ...   n entries, each:
//                   4   name length L (1 .. kProfileMaxName)
//                   L   the database's fixed path, e.g. "/mnt/nand/app/kxdb.db"
//                   8   image length N (kProfileMinImage .. kProfileMaxImage)
//                   N   the SQLite database file
//   end-4   4     CRC-32 (IEEE 802.3, as zlib's crc32) of every byte before it
//
// Only the databases of kProfileDbs may appear, each at most once, and the
// main configuration database must be one of them. The customised-firmware
// database is never part of a profile: its presence marks a customised
// device, which a profile taken elsewhere must not change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/kxdb.h"

constexpr char kProfileMarker[8] = {'N', 'V', 'R', 'P', 'R', 'O', 'F', '1'};
constexpr size_t kProfileMarkerSize = sizeof kProfileMarker;

// The databases a profile carries, in the order an export writes them.
constexpr const char* kProfileDbs[] = {kMainDb, kAnprDb};
constexpr uint32_t kProfileMaxDbs = sizeof kProfileDbs / sizeof kProfileDbs[0];

constexpr uint32_t kProfileMaxName = 255;
constexpr uint64_t kProfileMinImage = 512;          // one page of the smallest page size
constexpr uint64_t kProfileMaxImage = 256ull << 20;
constexpr uint64_t kProfileMaxFile = 600ull << 20;

// Name of an export file: "nvr_profile_YYYYMMDD_HHMMSS.kxp".
constexpr const char* kProfileNamePrefix = "nvr_profile_";
constexpr const char* kProfileNameSuffix = ".kxp";

// True when the bytes begin with the profile marker.
inline bool profile_marker_ok(const void* bytes, size_t length)
{
    return bytes && length >= kProfileMarkerSize && std::memcmp(bytes, kProfileMarker, kProfileMarkerSize) == 0;
}

// CRC-32 (IEEE 802.3): crc = profile_crc32(crc, data, n), starting from 0.
inline uint32_t profile_crc32(uint32_t crc, const void* data, size_t length)
{
    static const struct Table {
        uint32_t v[256];
        Table()
        {
            for (uint32_t i = 0; i < 256; i++) {
                uint32_t c = i;
                for (int k = 0; k < 8; k++) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
                v[i] = c;
            }
        }
    } table;
    const auto* p = static_cast<const unsigned char*>(data);
    crc = ~crc;
    for (size_t i = 0; i < length; i++) crc = table.v[(crc ^ p[i]) & 0xff] ^ (crc >> 8);
    return ~crc;
}
