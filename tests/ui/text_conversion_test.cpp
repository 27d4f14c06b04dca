// The dialog's edge between UTF-16 and UTF-8: round trips, embedded zeros, and what cannot be
// converted becoming U+FFFD in both directions.
#include <gtest/gtest.h>

#include "text_conversion.h"

TEST(TextConversion, RoundTripsAndReplacesWhatCannotBeConverted) {
    const QString text = QStringLiteral("影像 é 😀");
    EXPECT_EQ(WideToUtf8(text), "\xE5\xBD\xB1\xE5\x83\x8F \xC3\xA9 \xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8ToWide(WideToUtf8(text)), text);

    const QString withZero = Utf8ToWide(std::string_view("a\0b", 3));
    ASSERT_EQ(withZero.size(), 3);
    EXPECT_EQ(withZero[1], QChar(u'\0'));
    EXPECT_TRUE(Utf8ToWide({}).isEmpty());

    EXPECT_EQ(Utf8ToWide("a\xFF"
                         "b"),
              QString::fromUtf16(u"a\uFFFDb"));
    EXPECT_EQ(WideToUtf8(QString(QChar(0xD800))), "\xEF\xBF\xBD");
}
