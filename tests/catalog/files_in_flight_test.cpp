// The files being read: named once when slow, written out for a crash report, and a dawdling
// driver named while the catalogue waits for it.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>

#include "catalog_run.h"
#include "file_bytes.h"
#include "files_in_flight.h"
#include "temp_folder.h"

extern "C" void GDALRegister_Misbehaving();

namespace {

using Clock = FilesInFlight::Clock;
using namespace std::chrono_literals;

// A catalogue run whose output and notices are kept as text.
struct CapturedRun {
    std::string out;
    std::string notices;
    CatalogOutcome outcome;

    explicit CapturedRun(const CatalogRequest& request) {
        CatalogStreams streams;
        streams.output = [this](std::string_view text) {
            out.append(text.data(), text.size());
            return 0;
        };
        streams.notice = [this](std::string_view text) {
            notices.append(text.data(), text.size());
        };
        outcome = RunCatalog(request, streams);
    }
};

TEST(FilesInFlight, ASlowFileIsNamedOnceAndTheCrashNoteNamesEveryFileStillOpen) {
    FilesInFlight files;
    const Clock::time_point now = Clock::now();
    files.Begin(0, "old.tif", now - 2s);
    files.Begin(3, "new.tif", now);
    EXPECT_EQ(files.NewlySlow(now, 1s), std::vector<std::string>{"old.tif"});
    EXPECT_TRUE(files.NewlySlow(now + 500ms, 1s).empty());
    files.End(0);

    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    files.WriteEach(pipeEnds[1], "x: ");
    ::close(pipeEnds[1]);
    char text[64] = {};
    const ssize_t got = ::read(pipeEnds[0], text, sizeof text - 1);
    ::close(pipeEnds[0]);
    EXPECT_EQ(std::string(text, static_cast<std::size_t>(got)), "x: new.tif\n");
}

TEST(FilesInFlight, TheCatalogueNamesAFileADriverDawdlesOverAndGoesOn) {
    TempFolder fixtures;
    GDALRegister_Misbehaving();
    const std::string slow = fixtures.Path("slow.bin");
    WriteFileText(slow, "SLOW and more bytes for the header");

    CatalogRequest request;
    request.entries = {{slow, {}, {}}};
    request.format = CatalogFormat::kJsonLines;
    request.slowFileNotice = 200ms;
    const CapturedRun run(request);
    const std::string& out = run.out;
    const std::string& notices = run.notices;
    const CatalogOutcome& outcome = run.outcome;
    EXPECT_EQ(notices, "still reading " + slow + " after 0.2 s\n");
    EXPECT_EQ(outcome.failed, 1u);  // the driver gave nothing in the end
    EXPECT_NE(out.find("\"error\""), std::string::npos) << out;
}

TEST(FilesInFlight, AFileReadPastTheTimeLimitIsGivenUpAndTheRunEnds) {
    TempFolder fixtures;
    GDALRegister_Misbehaving();
    CatalogRequest request;
    for (const char* name : {"slow1.bin", "slow2.bin"}) {
        WriteFileText(fixtures.Path(name), "SLOW and more bytes for the header");
        request.entries.push_back({fixtures.Path(name), {}, {}});
    }
    request.format = CatalogFormat::kJsonLines;
    request.slowFileNotice = 100ms;
    request.fileTimeLimit = 200ms;
    const CapturedRun run(request);
    EXPECT_EQ(run.outcome.failed, 2u);
    for (const CatalogEntry& entry : request.entries) {
        EXPECT_NE(run.out.find(entry.path + "\",\"error\":\"still not read after 0.2 s; given up"),
                  std::string::npos)
            << run.out;
        EXPECT_NE(run.notices.find("still reading " + entry.path + " after 0.1 s\n"),
                  std::string::npos)
            << run.notices;
    }
}

TEST(FilesInFlight, AFullDiskEndsTheCatalogueAtItsFirstWriteWithTheSystemsReason) {
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    ASSERT_GE(full, 0);
    for (const CatalogFormat format : {CatalogFormat::kJsonLines, CatalogFormat::kJson}) {
        CatalogRequest request;
        request.entries.assign(50, {"/nonexistent/a.tif", {}, {}});
        request.format = format;
        request.jobs = 2;
        int writes = 0;
        CatalogStreams streams;
        streams.output = [&](std::string_view text) {
            ++writes;
            return ::write(full, text.data(), text.size()) < 0 ? errno : 0;
        };
        const CatalogOutcome outcome = RunCatalog(request, streams);
        EXPECT_EQ(outcome.writeError, ENOSPC);
        EXPECT_EQ(writes, 1);
        EXPECT_EQ(outcome.files, 0u);
    }
    ::close(full);
}

}  // namespace
