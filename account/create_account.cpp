#include "account/create_account.h"

void CreateAccount() {}
