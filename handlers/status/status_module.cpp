// Status module ("/8000" table).
#include "front/webreq.h"
#include "handlers/status/status.h"
#include "handlers/storage/storage.h"

static const WebReqEntry kStatusTable[] = {
    {"/8010", groups_get, "Reads the disk groups | none | JSON | none"},
    {"/8005", capture_start, "Starts a packet capture on one of the recorder's interfaces (at most 2 files of 25 MB, 5 minutes) | JSON: ip, port, nic, mntPath | JSON (dirPath and fileName) | none"},
    {"/8006", capture_stop, "Stops the packet capture | none | plain | none"},
    {"/8007", capture_download, "Sends the capture files as one tar archive and removes them | text: capture directory, \"/\" and file name | download (packet.tar) | none"},
};

NVR_MODULE(status, kModStatus, kStatusTable)
