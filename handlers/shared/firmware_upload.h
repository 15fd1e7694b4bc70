// Receiving an uploaded firmware file: the recorder's and the cameras'
// upgrades take it the same way, from the multipart body the intake leaves
// on standard input.
#pragma once

enum class FirmwareUpload {
    kNone,    // the request carries no firmware
    kStored,  // the firmware is in its file
    kFailed,  // the upload broke off or could not be stored
};

// What becomes of the firmware file an upload fails to replace.
enum class OnUploadFailure {
    kKeepOld,    // the file is left as it was
    kRemoveOld,  // the file is removed: no upgrade may start from firmware
                 // the client did not send
};

// Receives the firmware of a raw upload request into the file `fixed` (a
// path under the root, see nvr_path). The file part ("file", else the first
// part with a file name) streams in blocks into a new file beside it,
// memory flat whatever its size, and replaces the file only once it is
// complete, so an upload that breaks off never looks like firmware.
FirmwareUpload receive_firmware(const char* fixed, OnUploadFailure on_failure);
