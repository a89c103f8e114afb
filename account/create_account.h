#pragma once
// The account-creation page's handler: checks the four fields, asks the service to
// create the parent account, stores the credentials and moves the wizard on.

void CreateAccount();
