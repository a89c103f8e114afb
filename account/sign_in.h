#pragma once
// The sign-in page's handler: checks what the parent typed, asks the service,
// stores the credentials and moves the wizard on.

void SignIn();
