// The temporary files this process has open, kept where a signal handler can remove them.
#pragma once

#include <string>

// Returns a slot number, or -1 when every slot is taken (the file is then only removed normally).
int RegisterTemporary(const std::string& path);
void UnregisterTemporary(int slot);
