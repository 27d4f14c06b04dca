// The .aux.xml beside a package: a package holds no coordinate system, so the input's goes into the
// sidecar that GDAL's auxiliary metadata reads (and with it every GDAL program through the QVRMP
// plugin).
#pragma once

#include <ogr_srs_api.h>

#include <string>

#include "output_file.h"
#include "pack_code.h"

// The sidecar's path for a package.
std::string AuxSidecarPath(const std::string& packagePath);

// Writes the sidecar holding `srs`, tied to the package already at `packagePath` by its
// fingerprint (sidecar_tie.h), through a temporary file renamed into place, so an existing
// sidecar is replaced whole or not at all, and only as `existing` allows. Fails with
// kSidecarFailed.
PackStatus WriteAuxSidecar(const std::string& packagePath, OGRSpatialReferenceH srs,
                           ExistingTarget existing);

// A package written without a sidecar must not inherit the one of the package it replaced, which
// would give it that package's coordinate system: removes a sidecar left beside it (a regular
// file only). Fails with kSidecarFailed and why it could not.
PackStatus RemoveStaleAuxSidecar(const std::string& packagePath);
