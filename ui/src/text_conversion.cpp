#include "text_conversion.h"

std::string WideToUtf8(const QString& text) {
    // Qt turns an unpaired surrogate into '?'; the report's convention is U+FFFD.
    QString sound = text;
    for (qsizetype i = 0; i < sound.size(); ++i) {
        const QChar unit = sound[i];
        if (unit.isHighSurrogate() && i + 1 < sound.size() && sound[i + 1].isLowSurrogate()) {
            ++i;
        } else if (unit.isSurrogate()) {
            sound[i] = QChar::ReplacementCharacter;
        }
    }
    return sound.toStdString();
}

QString Utf8ToWide(std::string_view bytes) {
    return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
