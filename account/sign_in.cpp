#include "account/sign_in.h"

void SignIn() {}
