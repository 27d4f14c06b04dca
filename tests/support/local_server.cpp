#include "local_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cpl_conv.h>
#include <cpl_vsi.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <thread>

#include "file_bytes.h"

extern char** environ;

namespace {

constexpr auto kStartWait = std::chrono::seconds(5);
constexpr auto kPoll = std::chrono::milliseconds(20);
// A server logs a request just after answering it: reading the log waits this long first.
constexpr auto kLogSettle = std::chrono::milliseconds(100);

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

int FreeLocalPort() {
    const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    const bool bound = ::bind(socket, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
                       ::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &size) == 0;
    ::close(socket);
    return bound ? ntohs(address.sin_port) : 0;
}

pid_t SpawnLogged(const std::vector<std::string>& argv, const std::string& logPath) {
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

bool WaitForPort(int port) {
    const auto deadline = std::chrono::steady_clock::now() + kStartWait;
    while (std::chrono::steady_clock::now() < deadline) {
        const int socket = ::socket(AF_INET, SOCK_STREAM, 0);
        const sockaddr_in address = Loopback(port);
        const bool up =
            ::connect(socket, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        ::close(socket);
        if (up)
            return true;
        std::this_thread::sleep_for(kPoll);
    }
    return false;
}

LocalNginx::LocalNginx(const std::string& root) : port_(FreeLocalPort()) {
    ::chmod(state_.Root().c_str(), 0755);
    ::chmod(root.c_str(), 0755);
    std::ostringstream conf;
    conf << "daemon off; master_process off; user root; pid " << state_.Path("pid") << ";\n"
         << "error_log " << state_.Path("error.log") << ";\nevents {}\nhttp {\n"
         << " log_format requests '$request';\n"
         << " access_log " << state_.Path("access.log") << " requests;\n"
         << " client_body_temp_path " << state_.Root() << ";\n"
         << " server { listen 127.0.0.1:" << port_ << "; root " << root << "; autoindex on;\n"
         << "  location /forbidden/ { return 403; }\n"
         << "  location /slow/ { limit_rate 1; }\n"
         << "  location /whole/ { max_ranges 0; }\n }\n}\n";
    WriteFileText(state_.Path("nginx.conf"), conf.str());
    pid_ = SpawnLogged({"nginx", "-p", state_.Root(), "-c", state_.Path("nginx.conf")},
                       state_.Path("nginx.out"));
    if (pid_ > 0 && !WaitForPort(port_)) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
}

LocalNginx::~LocalNginx() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        ::waitpid(pid_, nullptr, 0);
    }
}

std::string LocalNginx::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + path;
}

std::vector<std::string> LocalNginx::TakeRequests() {
    std::this_thread::sleep_for(kLogSettle);
    std::ifstream log(state_.Path("access.log"));
    std::vector<std::string> requests;
    std::string line;
    for (std::size_t number = 0; std::getline(log, line); ++number) {
        if (number >= logged_)
            requests.push_back(line.substr(0, line.rfind(" HTTP/")));
    }
    logged_ += requests.size();
    return requests;
}

namespace {

// s3rver logs each request it answers as "...: PATH STATUS TIMEms SIZE".
const std::regex kS3RequestLine(R"(: \S+ [1-5][0-9][0-9] [0-9.]+m?s )");
constexpr char kS3Key[] = "S3RVER";  // the server's fixed credentials

void StopProcess(pid_t pid) {
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
}

}  // namespace

LocalS3::LocalS3(const std::string& program, const std::string& bucket)
    : bucket_(bucket), port_(FreeLocalPort()) {
    pid_ = SpawnLogged({program, "-d", state_.Path("data"), "-a", "127.0.0.1", "-p",
                        std::to_string(port_), "--configure-bucket", bucket},
                       state_.Path("log"));
    if (pid_ > 0 && !WaitForPort(port_)) {
        StopProcess(pid_);
        pid_ = -1;
    }
    const std::string endpoint = "127.0.0.1:" + std::to_string(port_);
    const char* const settings[][2] = {
        {"AWS_S3_ENDPOINT", endpoint.c_str()}, {"AWS_HTTPS", "NO"},
        {"AWS_VIRTUAL_HOSTING", "FALSE"},      {"AWS_ACCESS_KEY_ID", kS3Key},
        {"AWS_SECRET_ACCESS_KEY", kS3Key},     {"AWS_NO_SIGN_REQUEST", "NO"}};
    for (const auto& [name, value] : settings)
        CPLSetConfigOption(name, value);
}

LocalS3::~LocalS3() {
    if (pid_ > 0)
        StopProcess(pid_);
}

bool LocalS3::Put(const std::string& localPath, const std::string& key) const {
    std::ifstream in(localPath, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    VSILFILE* out = VSIFOpenL(("/vsis3/" + bucket_ + "/" + key).c_str(), "wb");
    if (out == nullptr)
        return false;
    const bool written = VSIFWriteL(bytes.data(), 1, bytes.size(), out) == bytes.size();
    return VSIFCloseL(out) == 0 && written;
}

std::size_t LocalS3::TakeRequestCount() {
    std::this_thread::sleep_for(kLogSettle);
    std::ifstream log(state_.Path("log"));
    std::size_t count = 0;
    for (std::string line; std::getline(log, line);)
        count += std::regex_search(line, kS3RequestLine) ? 1 : 0;
    const std::size_t taken = count - counted_;
    counted_ = count;
    return taken;
}
