#include "file_size.h"

#include <sys/stat.h>

double FileSizeOnDisk(const QByteArray& utf8Path) {
    struct stat status {};
    if (::stat(utf8Path.constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return 0;
    return static_cast<double>(static_cast<unsigned long long>(status.st_size));
}
