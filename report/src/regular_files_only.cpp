#include "regular_files_only.h"

#include <cpl_error.h>
#include <cpl_vsi_virtual.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "file_io.h"

namespace {

bool ChangesTheFile(const char* access) {
    return std::strpbrk(access, "wa+") != nullptr;
}

// GDAL's handler of local files with every open checked first; everything else is passed on.
class RegularFilesOnly final : public VSIFilesystemHandler {
  public:
    explicit RegularFilesOnly(VSIFilesystemHandler* local) : local_(local) {}

    VSIVirtualHandle* Open(const char* path, const char* access, bool setError,
                           CSLConstList options) override {
        // A non-blocking open never waits for a FIFO's other end; the descriptor then tells what
        // the name stands for now, and GDAL opens the very file through it, not the name again.
        const int descriptor = ::open(
            path, (ChangesTheFile(access) ? O_RDWR : O_RDONLY) | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (descriptor < 0) {
            return errno == ENOENT || errno == EACCES || errno == EISDIR
                       ? local_->Open(path, access, setError, options)
                       : Refuse(path, setError, std::strerror(errno));
        }
        struct stat status {};
        const bool known = ::fstat(descriptor, &status) == 0;
        VSIVirtualHandle* handle = nullptr;
        if (known && S_ISREG(status.st_mode)) {
            const std::string own = PathOfOpenFile(FileHandle{descriptor});
            handle = local_->Open(own.c_str(), access, setError, options);
        } else if (known && S_ISDIR(status.st_mode)) {
            handle = local_->Open(path, access, setError, options);
        } else {
            handle = Refuse(path, setError, "not a regular file");
        }
        ::close(descriptor);
        return handle;
    }

    int Stat(const char* path, VSIStatBufL* status, int flags) override {
        return local_->Stat(path, status, flags);
    }
    int Unlink(const char* path) override { return local_->Unlink(path); }
    int Mkdir(const char* path, long mode) override { return local_->Mkdir(path, mode); }
    int Rmdir(const char* path) override { return local_->Rmdir(path); }
    char** ReadDirEx(const char* path, int maxFiles) override {
        return local_->ReadDirEx(path, maxFiles);
    }
    char** ReadDir(const char* path) override { return local_->ReadDir(path); }
    char** SiblingFiles(const char* path) override { return local_->SiblingFiles(path); }
    int Rename(const char* from, const char* to) override { return local_->Rename(from, to); }
    int IsCaseSensitive(const char* path) override { return local_->IsCaseSensitive(path); }
    GIntBig GetDiskFreeSpace(const char* path) override { return local_->GetDiskFreeSpace(path); }
    int SupportsSparseFiles(const char* path) override { return local_->SupportsSparseFiles(path); }
    VSIDIR* OpenDir(const char* path, int depth, const char* const* options) override {
        return local_->OpenDir(path, depth, options);
    }

  private:
    static VSIVirtualHandle* Refuse(const char* path, bool setError, const char* reason) {
        if (setError)
            VSIError(VSIE_FileError, "%s: %s", path, reason);
        errno = EINVAL;
        return nullptr;
    }

    VSIFilesystemHandler* local_;
};

}  // namespace

void OpenOnlyRegularFilesInGdal() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        // The handler lives as long as the process, as GDAL's own do.
        VSIFileManager::InstallHandler("", new RegularFilesOnly(VSIFileManager::GetHandler("")));
    });
}
