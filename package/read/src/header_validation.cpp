// The reader's header check: the format's checks, with the message of the first that fails.
#include "header_check.h"
#include "package_messages.h"
#include "package_reader.h"

namespace {

PackageMessage MessageFor(HeaderCheck check) {
    switch (check) {
        case HeaderCheck::kBadSignature:
            return PackageMessage::kBadSignature;
        case HeaderCheck::kBadTopLevel:
            return PackageMessage::kBadPyramid;
        case HeaderCheck::kBadHeaderLength:
        case HeaderCheck::kValid:
            break;
    }
    return PackageMessage::kBadIndexLength;
}

}  // namespace

int PackageReader::ValidateHeader() {
    // The header always holds the first kMinHeaderLength bytes here; a shorter buffer would fail
    // the signature check rather than be read past.
    const HeaderCheck check = CheckHeader(header.data(), header.size());
    if (check != HeaderCheck::kValid) {
        errorText = PackageMessageText(MessageFor(check));
    }
    return static_cast<int>(check);
}
