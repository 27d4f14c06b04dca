// The settings of GDAL's network file systems that the programs start with, each applied only when
// the user has not set it (in the environment or with --config): a file opened alone lists no
// folder, and an object store's opening request reads a whole minimal package header. Called by
// mains only: GDAL's configuration is the process's.
#pragma once

void ApplyRemoteReadDefaults();
