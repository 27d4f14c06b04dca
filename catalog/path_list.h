// The files of a catalogue: paths as the system gives them (bytes, not necessarily UTF-8), read
// from a list or found by walking folders.
#pragma once

#include <QByteArray>

#include <vector>

struct CatalogEntry {
    QByteArray path;
    QByteArray
        error;  // set when the entry is already known to fail (a folder that cannot be listed)
};

struct PathListResult {
    std::vector<QByteArray> paths;
    QByteArray error;  // why the list could not be read; empty when it was
};

// Splits a list into paths, one a line, or NUL-separated when `nulSeparated`. Empty entries
// (a final separator, blank lines) are left out.
std::vector<QByteArray> SplitPathList(const QByteArray& bytes, bool nulSeparated);

// Reads the list file at `listPath`, or stdin when it is "-", and splits it.
PathListResult ReadPathList(const QByteArray& listPath, bool nulSeparated);

// The entries for the given paths, in their order. With `recursive`, a given folder is replaced
// by its files: names in byte order, subfolders walked where their name falls, hidden entries
// (a name starting with '.') and symbolic links to folders left out. Everything else is kept as
// given, to be reported or refused as it stands.
std::vector<CatalogEntry> ExpandPaths(const std::vector<QByteArray>& given, bool recursive);
