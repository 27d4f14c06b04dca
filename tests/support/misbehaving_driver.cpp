// A GDAL driver plugin for tests that misbehaves as a broken driver would: it crashes on a file
// that starts with "CRASH" and takes its time over one that starts with "SLOW".
#include <gdal_priv.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <thread>

namespace {

constexpr char kCrash[] = "CRASH";
constexpr char kSlow[] = "SLOW";
constexpr std::chrono::milliseconds kSlowRead{1500};

bool StartsWith(GDALOpenInfo* info, const char* magic) {
    const auto length = static_cast<int>(std::strlen(magic));
    return info->nHeaderBytes >= length &&
           std::memcmp(info->pabyHeader, magic, static_cast<std::size_t>(length)) == 0;
}

int Identify(GDALOpenInfo* info) {
    return StartsWith(info, kCrash) || StartsWith(info, kSlow);
}

GDALDataset* Open(GDALOpenInfo* info) {
    if (StartsWith(info, kCrash))
        std::raise(SIGSEGV);
    if (StartsWith(info, kSlow))
        std::this_thread::sleep_for(kSlowRead);
    return nullptr;
}

}  // namespace

extern "C" void GDALRegister_Misbehaving() {
    auto* driver = new GDALDriver();
    driver->SetDescription("MISBEHAVING");
    driver->SetMetadataItem(GDAL_DCAP_RASTER, "YES");
    driver->pfnIdentify = Identify;
    driver->pfnOpen = Open;
    GetGDALDriverManager()->RegisterDriver(driver);
}
