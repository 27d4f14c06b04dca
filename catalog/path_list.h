// The files of a catalogue: paths as the system gives them (bytes, not necessarily UTF-8), read
// from a list or found by walking folders.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "result.h"

// Every name in a walked folder (hidden ones too), as GDAL takes a folder's listing: a
// null-terminated array of C strings. Shared by the entries of the folder.
class FolderNames {
  public:
    explicit FolderNames(std::vector<std::string> names);
    FolderNames(const FolderNames&) = delete;
    FolderNames& operator=(const FolderNames&) = delete;
    const char* const* List() const { return pointers_.data(); }

  private:
    std::vector<std::string> names_;
    std::vector<const char*> pointers_;
};

struct CatalogEntry {
    std::string path;
    std::string error;  // set when the entry is known to fail (a folder that cannot be listed)
    std::shared_ptr<const FolderNames> siblings;  // the folder's names, when it was walked
};

enum class CatalogCode {
    kCannotReadList,  // the list of paths could not be read
};

// Splits a list into paths, one a line, or NUL-separated when `nulSeparated`. Empty entries
// (a final separator, blank lines) are left out.
std::vector<std::string> SplitPathList(const std::string& bytes, bool nulSeparated);

// Reads the list file at `listPath`, or stdin when it is "-", and splits it.
Result<std::vector<std::string>, CatalogCode> ReadPathList(const std::string& listPath,
                                                           bool nulSeparated);

// The entries for the given paths, in their order. With `recursive`, a given folder is replaced
// by its files: names in byte order, subfolders walked where their name falls, hidden entries
// (a name starting with '.') and symbolic links to folders left out. A remote prefix (a URL form or
// a network virtual path) is walked by one listing through GDAL. Everything else is kept as given,
// to be reported or refused as it stands.
std::vector<CatalogEntry> ExpandPaths(const std::vector<std::string>& given, bool recursive);

// Files read over the network wait on it, not on a processor: a catalogue with a remote entry
// keeps this many in flight unless told otherwise.
inline constexpr int kRemoteCatalogJobs = 32;

// The files at once when the user gave no number: kRemoteCatalogJobs when any entry is remote,
// else `processors`.
int DefaultCatalogJobs(const std::vector<CatalogEntry>& entries, int processors);
