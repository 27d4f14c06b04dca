// GDAL's settings for opening one remote file, held on the calling thread while it is read and
// only where the user set nothing (environment or configuration): a file opened alone lists no
// folder (its side files are found only in a listing the caller hands GDAL, as the catalogue
// does), and an object store's opening request reads a whole minimal package header. A local
// path changes nothing, so local reads keep GDAL's defaults.
#pragma once

#include <string>
#include <vector>

class RemoteReadScope {
  public:
    explicit RemoteReadScope(const std::string& virtualPath);
    ~RemoteReadScope();
    RemoteReadScope(const RemoteReadScope&) = delete;
    RemoteReadScope& operator=(const RemoteReadScope&) = delete;

  private:
    std::vector<const char*> applied_;  // names set on this thread, cleared again at the end
};
