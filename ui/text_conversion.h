// The edge between the dialog's UTF-16 text and the UTF-8 bytes every library below it takes.
#pragma once

#include <QString>

#include <string>
#include <string_view>

// UTF-16 text to UTF-8 bytes. Unpaired surrogates become U+FFFD, never an error.
std::string WideToUtf8(const QString& text);

// UTF-8 bytes (their explicit length, embedded zeros included) to UTF-16 text.
// Invalid sequences become U+FFFD.
QString Utf8ToWide(std::string_view bytes);
