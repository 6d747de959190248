// The agreement text of the first page, read once from the payload.
#pragma once

// Reads the agreement block into a process-heap block (State.AgreementText).
// On any failure there is no text; nothing is shown.
void LoadAgreement();

// Frees the agreement text.
void FreeAgreement();
