#pragma once
// The silent check of the stored parent credentials at an ordinary start.

// True when stored credentials exist and the service accepted them.
[[nodiscard]] bool CheckDeviceAuthorization();
