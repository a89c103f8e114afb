#pragma once
// The handlers of the pages' buttons. Each reads its inputs from the controls,
// checks them, talks to the service through the account operations, shows its own
// boxes and, on success, moves the wizard on.

// "Sign in" (or Enter in the password field).
void SignIn();
// "Create account".
void CreateAccount();
// "Next" on the profile page.
void SetChildProfile();
