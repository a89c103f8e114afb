#include "account/credential_check.h"

bool CheckDeviceAuthorization() {
    return false;
}
