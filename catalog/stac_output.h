// A catalogue as STAC: each file's Item, in an ItemCollection (a GeoJSON FeatureCollection) or
// one Item a line, and the ids that keep Items of one run apart.
#pragma once

#include <string>
#include <vector>

#include "catalog_entry.h"
#include "entry_output.h"

// The Items' ids in entry order: each path's own id, and for a path given again the same id
// followed by "%-N" for its Nth time (an id from a path never holds "%-").
std::vector<std::string> StacItemIds(const std::vector<CatalogEntry>& entries);

// The Item of one file: kJsonLines gives a line, the JSON forms an element of the collection. A
// file that failed gives the catalogue's error line with kJsonLines; in a collection it gives no
// text but a notice "PATH: MESSAGE".
RenderedEntry RenderStacEntry(const GatheredEntry& entry, const std::string& id,
                              CatalogFormat format);

// What the output holds before the first Item, between two, after the last.
std::string StacOpening(CatalogFormat format);
std::string StacSeparator(CatalogFormat format);
std::string StacClosing(CatalogFormat format);
