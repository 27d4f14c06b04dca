#include "package_source.h"

#include "virtual_path.h"
#include "vsi_byte_source.h"

std::unique_ptr<ByteSource> OpenPackageSource(const std::string& path, PackageAccess access) {
    const std::string virtualPath = VirtualPath(path);
    if (!IsVirtualPath(virtualPath))
        return OpenFileByteSource(path);
    const std::string opened =
        access == PackageAccess::kHeaderFirst ? SequentialReadPath(virtualPath) : virtualPath;
    return MakeVsiByteSource(VSIFOpenExL(opened.c_str(), "rb", TRUE));
}
