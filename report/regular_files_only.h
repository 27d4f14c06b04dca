// GDAL opens files on our behalf that we never name: the sources of a VRT, sidecars, the members of
// an archive. Opening a FIFO waits for its writer, and a device may never end, so that one such
// file behind an innocent-looking input would hang a report, a pack or a whole catalogue (holding
// GDAL's locks while it waits). Once installed, every file GDAL opens on the local file system must
// be a regular file or a folder; anything else fails to open at once, as a missing file does.
#pragma once

// For a program's main, after GDALAllRegister(): puts the check in front of GDAL's handler of
// local files for the rest of the process. Installing it again changes nothing.
void OpenOnlyRegularFilesInGdal();
