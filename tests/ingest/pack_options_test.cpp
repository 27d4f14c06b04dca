// The command line: defaults, each option in both spellings, and the usage errors.
#include <gtest/gtest.h>

#include "pack_options.h"

namespace {

ParsedPackArguments Parse(std::vector<std::string> arguments) {
    return ParsePackArguments(arguments);
}

std::string UsageError(std::vector<std::string> arguments) {
    const ParsedPackArguments parsed = Parse(std::move(arguments));
    EXPECT_EQ(parsed.request, PackRequest::kUsageError);
    return parsed.errorText;
}

}  // namespace

TEST(PackOptions, TwoPathsAndTheDefaults) {
    const ParsedPackArguments parsed = Parse({"in.tif", "out.qvrmp"});
    ASSERT_EQ(parsed.request, PackRequest::kPack);
    EXPECT_EQ(parsed.options.input, "in.tif");
    EXPECT_EQ(parsed.options.output, "out.qvrmp");
    EXPECT_FALSE(parsed.options.lossless);
    EXPECT_EQ(parsed.options.quality, 85);
    EXPECT_FALSE(parsed.options.force);
    EXPECT_EQ(parsed.options.threads, 0);
    EXPECT_TRUE(parsed.options.writeAux);
}

TEST(PackOptions, OptionsAnywhereAndValuesInEitherSpelling) {
    ParsedPackArguments parsed =
        Parse({"--quality", "0", "in.tif", "--force", "--threads=2", "out.qvrmp"});
    ASSERT_EQ(parsed.request, PackRequest::kPack) << parsed.errorText;
    EXPECT_EQ(parsed.options.quality, 0);
    EXPECT_TRUE(parsed.options.force);
    EXPECT_EQ(parsed.options.threads, 2);
    EXPECT_EQ(parsed.options.input, "in.tif");

    parsed = Parse({"--quality=100", "a", "b"});
    EXPECT_EQ(parsed.options.quality, 100);
    parsed = Parse({"--lossless", "a", "b"});
    EXPECT_TRUE(parsed.options.lossless);
    parsed = Parse({"a", "--no-aux", "b"});
    EXPECT_FALSE(parsed.options.writeAux);
    EXPECT_EQ(parsed.options.output, "b");
}

TEST(PackOptions, DashDashEndsTheOptionsAndADashAloneIsAPath) {
    const ParsedPackArguments parsed = Parse({"--", "--force", "-"});
    ASSERT_EQ(parsed.request, PackRequest::kPack) << parsed.errorText;
    EXPECT_EQ(parsed.options.input, "--force");
    EXPECT_EQ(parsed.options.output, "-");
    EXPECT_FALSE(parsed.options.force);
}

TEST(PackOptions, UsageErrors) {
    EXPECT_EQ(UsageError({}), "INPUT and OUTPUT are needed");
    EXPECT_EQ(UsageError({"in.tif"}), "INPUT and OUTPUT are needed");
    EXPECT_EQ(UsageError({"a", "b", "c"}), "only INPUT and OUTPUT are expected");
    EXPECT_EQ(UsageError({"--bogus", "a", "b"}), "unknown option --bogus");
    EXPECT_EQ(UsageError({"-f", "a", "b"}), "unknown option -f");
    EXPECT_EQ(UsageError({"a", "b", "--quality"}), "--quality needs a value");
    EXPECT_EQ(UsageError({"--quality", "101", "a", "b"}),
              "--quality takes a whole number from 0 to 100, not \"101\"");
    EXPECT_EQ(UsageError({"--quality=8x", "a", "b"}),
              "--quality takes a whole number from 0 to 100, not \"8x\"");
    EXPECT_EQ(UsageError({"--quality=", "a", "b"}),
              "--quality takes a whole number from 0 to 100, not \"\"");
    EXPECT_EQ(UsageError({"--threads", "0", "a", "b"}),
              "--threads takes a whole number from 1 to 64, not \"0\"");
    EXPECT_EQ(UsageError({"--quality", "90", "--lossless", "a", "b"}),
              "--quality and --lossless exclude each other");
    EXPECT_EQ(UsageError({"--force=yes", "a", "b"}), "unknown option --force=yes");
}

TEST(PackOptions, HelpAndVersionWinOverEverythingElse) {
    EXPECT_EQ(Parse({"--bogus", "--help"}).request, PackRequest::kUsageError);
    EXPECT_EQ(Parse({"a", "--help"}).request, PackRequest::kHelp);
    EXPECT_EQ(Parse({"--version", "a", "b", "c"}).request, PackRequest::kVersion);
}
