// The registered user's name and company, proposed on the user page.
#pragma once

// Fills State.UserName and State.UserCompany, each where it is empty, from
// the registry (setup's own user info first, then Windows' registered
// owner). Writes nothing.
void ReadUserDefaults();
