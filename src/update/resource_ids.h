#pragma once

// The update control's picture; shared by the resource script and the code.
#define IDI_GLOBE 3
