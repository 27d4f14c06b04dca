#include "file_io.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

// A single read() or write() call moves at most this much on Linux; larger requests loop.
constexpr std::size_t kMaxChunk = 1u << 30;

// Where the system names this process's open files, for linkat().
constexpr char kOwnDescriptors[] = "/proc/self/fd/";

// Of a file's mode: the permissions with set-user, set-group and sticky.
constexpr unsigned kPermissionBits = 07777;

bool FitsOffset(std::uint64_t offset, std::size_t size) {
    constexpr auto kMaxOffset = static_cast<std::uint64_t>(std::numeric_limits<off_t>::max());
    return offset <= kMaxOffset && size <= kMaxOffset - offset;
}

}  // namespace

FileHandle OpenReadOnly(const std::string& path) {
    // O_NONBLOCK so that opening a FIFO returns at once; it changes nothing for a regular file.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (descriptor < 0) {
        return kInvalidFileHandle;
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return kInvalidFileHandle;
    }
    return FileHandle{descriptor};
}

bool NamesSpecialFile(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode) &&
           !S_ISDIR(status.st_mode);
}

namespace {

// Reads until `size` bytes arrived, the file ended or a read failed; `readAt(buffer, count,
// done)` is one read() or pread() call for the bytes after the `done` already read.
template <typename ReadCall>
ReadResult ReadAll(void* buffer, std::size_t size, ReadCall readAt) {
    ReadResult result;
    auto* bytes = static_cast<std::uint8_t*>(buffer);
    while (result.count < size) {
        const std::size_t chunk = std::min(size - result.count, kMaxChunk);
        const ssize_t got = readAt(bytes + result.count, chunk, result.count);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            return result;
        }
        if (got == 0) {
            break;
        }
        result.count += static_cast<std::size_t>(got);
    }
    result.ok = true;
    return result;
}

}  // namespace

ReadResult ReadBytesAt(FileHandle file, std::uint64_t offset, void* buffer, std::size_t size) {
    if (!FitsOffset(offset, size)) {
        return {};
    }
    return ReadAll(buffer, size, [&](std::uint8_t* target, std::size_t count, std::size_t done) {
        return ::pread(file.descriptor, target, count, static_cast<off_t>(offset + done));
    });
}

bool FileSize(FileHandle file, std::uint64_t& size) {
    struct stat status {};
    if (::fstat(file.descriptor, &status) != 0 || status.st_size < 0) {
        return false;
    }
    size = static_cast<std::uint64_t>(status.st_size);
    return true;
}

std::uint64_t NextDataOffset(FileHandle file, std::uint64_t offset) {
#ifdef SEEK_DATA
    if (!FitsOffset(offset, 0)) {
        return offset;
    }
    const off_t data = ::lseek(file.descriptor, static_cast<off_t>(offset), SEEK_DATA);
    if (data >= 0) {
        return static_cast<std::uint64_t>(data);
    }
    std::uint64_t size = 0;
    if (errno == ENXIO && FileSize(file, size)) {
        return std::max(size, offset);  // no data from here to the end
    }
#endif
    return offset;
}

void CloseFile(FileHandle& file) {
    if (file.IsValid()) {
        ::close(file.descriptor);
        file = kInvalidFileHandle;
    }
}

int CreateNewFile(const std::string& path, FileHandle& file) {
    const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return errno;
    }
    file = FileHandle{descriptor};
    return 0;
}

int CreateUnnamedFile(const std::string& folder, FileHandle& file) {
#ifdef O_TMPFILE
    if (::access(kOwnDescriptors, X_OK) != 0) {
        return EOPNOTSUPP;  // LinkUnnamedFile could never name it
    }
    const int descriptor =
        ::open(folder.empty() ? "." : folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (descriptor < 0) {
        return errno;
    }
    file = FileHandle{descriptor};
    return 0;
#else
    return EOPNOTSUPP;
#endif
}

std::string PathOfOpenFile(FileHandle file) {
    return kOwnDescriptors + std::to_string(file.descriptor);
}

int LinkUnnamedFile(FileHandle file, const std::string& path) {
    // The descriptor's entry in /proc names the file for linkat() without any privilege.
    const std::string self = PathOfOpenFile(file);
    return ::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, path.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0
                                                                                            : errno;
}

int LockFile(FileHandle file) {
    return ::flock(file.descriptor, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
}

bool NamesOpenFile(const std::string& path, FileHandle file) {
    struct stat named {};
    struct stat open {};
    return ::lstat(path.c_str(), &named) == 0 && ::fstat(file.descriptor, &open) == 0 &&
           named.st_dev == open.st_dev && named.st_ino == open.st_ino;
}

bool RemoveUnlockedFile(const std::string& path) {
    FileHandle file{::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOFOLLOW)};
    struct stat status {};
    const bool remove = file.IsValid() && ::fstat(file.descriptor, &status) == 0 &&
                        S_ISREG(status.st_mode) && LockFile(file) == 0 &&
                        NamesOpenFile(path, file) && ::unlink(path.c_str()) == 0;
    CloseFile(file);
    return remove;
}

int WriteBytesAt(FileHandle file, std::uint64_t offset, const void* data, std::size_t size) {
    if (!FitsOffset(offset, size)) {
        return EFBIG;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    std::size_t done = 0;
    while (done < size) {
        const std::size_t chunk = std::min(size - done, kMaxChunk);
        const auto position = static_cast<off_t>(offset + done);
        const ssize_t put = ::pwrite(file.descriptor, bytes + done, chunk, position);
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put < 0) {
            return errno;
        }
        if (put == 0) {
            return ENOSPC;
        }
        done += static_cast<std::size_t>(put);
    }
    return 0;
}

int SyncFile(FileHandle file) {
    return ::fdatasync(file.descriptor) == 0 ? 0 : errno;
}

int RenameFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
}

int RenameWithoutReplacing(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != ENOSYS && errno != EINVAL) {
        return errno;
    }
    // The call or the file system does not know the flag: a link never replaces either.
    if (::link(from.c_str(), to.c_str()) != 0) {
        return errno;
    }
    ::unlink(from.c_str());
    return 0;
}

PathKind LinkStatus(const std::string& path) {
    struct stat status = {};
    if (::lstat(path.c_str(), &status) != 0) {
        return {};
    }
    return PathKind{true, S_ISREG(status.st_mode),
                    static_cast<unsigned>(status.st_mode) & kPermissionBits};
}

int SetPermissions(FileHandle file, unsigned permissions) {
    return ::fchmod(file.descriptor, static_cast<mode_t>(permissions)) == 0 ? 0 : errno;
}

int RemoveFile(const std::string& path) {
    return ::unlink(path.c_str()) == 0 ? 0 : errno;
}

std::string ErrorText(int errorCode) {
    return std::strerror(errorCode);
}
