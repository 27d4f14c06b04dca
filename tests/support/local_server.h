// Servers that remote-read tests start themselves on 127.0.0.1, each on a free port, stopped when
// the object goes; their requests are counted in their own logs.
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "temp_folder.h"

class LocalServer {
  public:
    // A real nginx serving `root` with autoindex listings; /forbidden/ answers 403, /slow/ sends
    // one byte a second, /whole/ ignores Range.
    static std::unique_ptr<LocalServer> Nginx(const std::string& root);
    // s3rver (scripts/install-s3rver.sh) with one bucket, and this process's GDAL configuration
    // pointed at it.
    static std::unique_ptr<LocalServer> S3(const std::string& program, const std::string& bucket);
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;
    ~LocalServer();

    bool Running() const { return pid_ > 0; }
    std::string Url(const std::string& path = "") const;  // http://127.0.0.1:PORT/path
    // The requests logged since the last call, as their log lines.
    std::vector<std::string> TakeRequests();

  private:
    // Whether a line of the server's log is a request it answered.
    using RequestLine = std::function<bool(const std::string&)>;
    LocalServer(std::string log, RequestLine request);
    std::string Path(const std::string& name) const { return state_.Path(name); }
    void Start(const std::vector<std::string>& argv);

    TempFolder state_;
    std::string log_;
    RequestLine request_;
    int port_ = 0;
    pid_t pid_ = -1;
    std::size_t taken_ = 0;
};
