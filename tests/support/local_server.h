// Servers that remote-read tests start themselves on 127.0.0.1: a real nginx serving a folder
// (byte ranges, autoindex listings, a few paths that fail on purpose), on a free port, stopped
// when the object goes. The requests are counted in the server's own access log.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "temp_folder.h"

// A port nothing listens on at the moment of asking.
int FreeLocalPort();

// Spawns `argv` (argv[0] searched on PATH) with stdout and stderr to `logPath`; -1 on failure.
pid_t SpawnLogged(const std::vector<std::string>& argv, const std::string& logPath);

// Waits until something accepts connections on the port; false after a few seconds.
bool WaitForPort(int port);

class LocalNginx {
  public:
    // Serves `root`. /forbidden/ answers 403, /slow/ takes longer than any test waits, and
    // /whole/ ignores Range. Running() is false when nginx is not installed or does not start.
    explicit LocalNginx(const std::string& root);
    ~LocalNginx();
    LocalNginx(const LocalNginx&) = delete;
    LocalNginx& operator=(const LocalNginx&) = delete;

    bool Running() const { return pid_ > 0; }
    std::string Url(const std::string& path = "") const;  // http://127.0.0.1:PORT/path
    // The request lines ("GET /a.tif", "HEAD /b.qvrmp") logged since the last call.
    std::vector<std::string> TakeRequests();

  private:
    TempFolder state_;
    int port_ = 0;
    pid_t pid_ = -1;
    std::size_t logged_ = 0;
};

// An S3-compatible server (s3rver, installed by scripts/install-s3rver.sh) with one bucket,
// reached through GDAL's /vsis3/ with this process's configuration pointed at it.
class LocalS3 {
  public:
    LocalS3(const std::string& program, const std::string& bucket);
    ~LocalS3();
    LocalS3(const LocalS3&) = delete;
    LocalS3& operator=(const LocalS3&) = delete;

    bool Running() const { return pid_ > 0; }
    // Copies a local file to the bucket as `key`, through GDAL; false when it fails.
    bool Put(const std::string& localPath, const std::string& key) const;
    // The number of requests the server logged since the last call.
    std::size_t TakeRequestCount();

  private:
    TempFolder state_;
    std::string bucket_;
    int port_ = 0;
    pid_t pid_ = -1;
    std::size_t counted_ = 0;
};
