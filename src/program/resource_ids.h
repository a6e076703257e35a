#pragma once

// Shared by the resource script and the code.
#define IDI_DEVICE 1
#define IDI_DEVICE_LOCKED 2
#define IDB_PRODUCT 3
#define IDC_POINTING_HAND 4
