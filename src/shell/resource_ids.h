#pragma once

// Shared by the resource script and the code.
#define IDI_DEVICE 1
#define IDI_DEVICE_LOCKED 2
