// Makes realistic emulated adapters: folders under an emulator root holding
// the files an adapter lives in, with contents that depend on the index
// (see adapter_profile.h).
#pragma once

#include <string>

// Writes root/<folder name of index> with flash.bin, config.bin and vpd.bin,
// replacing those files if they exist. Returns an empty string, or what went
// wrong.
std::string create_realistic_adapter(const std::string& root, int index);

// Creates count adapters (1 to 20) under root, creating root if needed.
// When root already holds adapters, refuses unless force; with force, every
// existing adapter folder is removed first, so that exactly count adapters
// remain. Other entries of root (its faults file, say) are left alone.
// Returns an empty string, or what went wrong.
std::string create_realistic_adapters(const std::string& root, int count, bool force);
