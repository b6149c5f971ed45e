// The save confirmation can be switched off for good from the dialog itself ("SaveAns=no");
// every later save of every editor process then goes ahead without asking.
#pragma once

#include "base/kf_types.h"
#include "base/profile_store.h"

// FALSE when the save confirmation was switched off ("no", any case).
BOOL ShouldAskBeforeSave(IProfileStore& store);
// Switches the confirmation off.
void StopAskingBeforeSave(IProfileStore& store);
