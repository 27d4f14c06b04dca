// Walking a remote prefix (a web folder's index pages, an object store's listings) through GDAL's
// directory functions: one listing a folder, each object's siblings (and, from an object store,
// its size) taken from it, so that no file costs a request of its own before it is read.
#pragma once

#include <string>
#include <vector>

#include "path_list.h"

// The files under `given` (a URL form or a virtual path naming a folder), in the order a local
// walk gives: names in byte order, subfolders where their name falls, hidden names left out. Each
// entry keeps the form the user typed. A prefix that cannot be listed is one entry with its error.
void WalkRemote(const std::string& given, std::vector<CatalogEntry>& out);
