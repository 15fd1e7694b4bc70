// What several handler areas ask of the recorder as a whole: the reboot
// message (maintenance, display and service-port changes send it), and the
// files uploaded firmware lands in (the recorder's and the cameras' upgrades).
#pragma once

#include "platform/record.h"

// Core daemon message that restarts the recorder; no payload, no reply.
constexpr u32 kMsgReboot = 1703;

// Firmware files, as the core daemon knows them.
constexpr const char* kRecorderFirmware = "/dev/shm/updateFM.bin";
constexpr const char* kCameraFirmware = "/dev/shm/updateIPCFM.bin";
