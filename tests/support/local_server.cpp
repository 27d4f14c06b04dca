#include "local_server.h"

#include <arpa/inet.h>
#include <cpl_conv.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

#include "file_bytes.h"

extern char** environ;

namespace {

constexpr auto kStartWait = std::chrono::seconds(5);
constexpr auto kPoll = std::chrono::milliseconds(20);
// A server logs a request just after answering it: reading the log waits this long first.
constexpr auto kLogSettle = std::chrono::milliseconds(100);
constexpr char kS3Key[] = "S3RVER";  // s3rver's fixed credentials

// Connects to (or, with port 0, binds) 127.0.0.1:port; the port bound, or 0 on failure.
int Loopback(int port, bool bind) {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{
        AF_INET, htons(static_cast<std::uint16_t>(port)), {htonl(INADDR_LOOPBACK)}, {}};
    socklen_t size = sizeof address;
    auto* raw = reinterpret_cast<sockaddr*>(&address);
    const bool done = bind
                          ? ::bind(socket, raw, size) == 0 && ::getsockname(socket, raw, &size) == 0
                          : ::connect(socket, raw, size) == 0;
    ::close(socket);
    return done ? ntohs(address.sin_port) : 0;
}

pid_t Spawn(const std::vector<std::string>& argv, const std::string& logPath) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    std::vector<char*> args;
    for (const std::string& arg : argv)
        args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = -1;
    const int failed = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed != 0 ? -1 : pid;
}

// s3rver logs each request it answers as "...: PATH STATUS TIMEms SIZE".
bool IsS3rverRequest(const std::string& line) {
    for (std::size_t colon = line.find(": "); colon != std::string::npos;
         colon = line.find(": ", colon + 1)) {
        std::istringstream words(line.substr(colon + 2));
        std::string path, status, time, size;
        if (!(words >> path >> status >> time >> size))
            continue;
        const bool statusIsCode = status.size() == 3 && status[0] >= '1' && status[0] <= '5' &&
                                  std::isdigit(static_cast<unsigned char>(status[1])) &&
                                  std::isdigit(static_cast<unsigned char>(status[2]));
        const std::size_t unit = time.find_first_not_of("0123456789.");
        const bool timeInSeconds = unit > 0 && unit != std::string::npos &&
                                   (time.substr(unit) == "ms" || time.substr(unit) == "s");
        if (statusIsCode && timeInSeconds)
            return true;
    }
    return false;
}

}  // namespace

LocalServer::LocalServer(std::string log, RequestLine request)
    : log_(state_.Path(log)), request_(std::move(request)), port_(Loopback(0, true)) {}

LocalServer::~LocalServer() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

void LocalServer::Start(const std::vector<std::string>& argv) {
    pid_ = Spawn(argv, state_.Path("output"));
    const auto deadline = std::chrono::steady_clock::now() + kStartWait;
    while (pid_ > 0 && Loopback(port_, false) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(kPoll);
    if (pid_ > 0 && Loopback(port_, false) == 0) {
        ::kill(std::exchange(pid_, -1), SIGTERM);
        ::wait(nullptr);
    }
}

std::unique_ptr<LocalServer> LocalServer::Nginx(const std::string& root) {
    std::unique_ptr<LocalServer> owned(
        new LocalServer("access.log", [](const std::string&) { return true; }));
    LocalServer& server = *owned;
    ::chmod(root.c_str(), 0755);
    WriteFileText(server.Path("nginx.conf"),
                  "daemon off; master_process off; user root; pid " + server.Path("pid") +
                      "; error_log " + server.Path("error.log") +
                      ";\nevents {}\nhttp { log_format requests '$request'; access_log " +
                      server.log_ + " requests; client_body_temp_path " + server.Path("body") +
                      ";\n server { listen 127.0.0.1:" + std::to_string(server.port_) + "; root " +
                      root +
                      "; autoindex on;\n"
                      "  location /forbidden/ { return 403; }\n"
                      "  location /slow/ { limit_rate 1; }\n"
                      "  location /whole/ { max_ranges 0; } } }\n");
    server.Start({"nginx", "-p", server.Path(""), "-c", server.Path("nginx.conf")});
    return owned;
}

std::unique_ptr<LocalServer> LocalServer::S3(const std::string& program,
                                             const std::string& bucket) {
    std::unique_ptr<LocalServer> owned(new LocalServer("output", IsS3rverRequest));
    LocalServer& server = *owned;
    server.Start({program, "-d", server.Path("data"), "-a", "127.0.0.1", "-p",
                  std::to_string(server.port_), "--configure-bucket", bucket});
    const std::string endpoint = "127.0.0.1:" + std::to_string(server.port_);
    for (const auto& [name, value] : {std::pair{"AWS_S3_ENDPOINT", endpoint.c_str()},
                                      {"AWS_HTTPS", "NO"},
                                      {"AWS_VIRTUAL_HOSTING", "FALSE"},
                                      {"AWS_ACCESS_KEY_ID", kS3Key},
                                      {"AWS_SECRET_ACCESS_KEY", kS3Key}})
        CPLSetConfigOption(name, value);
    return owned;
}

std::string LocalServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
}

std::vector<std::string> LocalServer::TakeRequests() {
    std::this_thread::sleep_for(kLogSettle);
    std::ifstream log(log_);
    std::vector<std::string> requests;
    for (std::string line; std::getline(log, line);) {
        if (request_(line))
            requests.push_back(line);
    }
    requests.erase(requests.begin(), requests.begin() + static_cast<std::ptrdiff_t>(taken_));
    taken_ += requests.size();
    return requests;
}
