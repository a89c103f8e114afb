#include "device/device_registration.h"

bool RegisterDevice() {
    return false;
}
