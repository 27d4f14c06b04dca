#include "package_source.h"

#include "virtual_path.h"
#include "vsi_byte_source.h"

std::unique_ptr<ByteSource> OpenPackageSource(const std::string& path) {
    const std::string virtualPath = VirtualPath(path);
    if (!IsVirtualPath(virtualPath))
        return OpenFileByteSource(path);
    return MakeVsiByteSource(VSIFOpenExL(virtualPath.c_str(), "rb", TRUE),
                             IsRemotePath(virtualPath));
}
