// Realistic emulated adapters for end-to-end tests: the same adapters that
// `hbaemu init` makes, in a test's private emulator root.
#pragma once

#include "emulator/contents/adapter_profile.h"
#include "support/emulator_sandbox.h"

// Adds adapters 0 to count-1 (adapter00, adapter01, ...) to the sandbox.
// Their identities and contents are realistic_adapter_profile(index).
void add_realistic_adapters(emulator_sandbox& sandbox, int count);
