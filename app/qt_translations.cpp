#include "qt_translations.h"

#include <QLibraryInfo>
#include <QString>

namespace {

// The labels are simplified Chinese, so every Chinese desktop gets Qt's texts in the same script.
const QLocale kLabelsLocale(QLocale::Chinese, QLocale::China);
// Qt's catalogue of its own modules' texts, as Qt installs it: "qt_zh_CN.qm".
const QString kQtCatalogue = QStringLiteral("qt");
const QString kCatalogueSeparator = QStringLiteral("_");

}  // namespace

bool LoadQtTranslations(QTranslator& translator, const QLocale& system) {
    if (system.language() != QLocale::Chinese)
        return false;
    return translator.load(kLabelsLocale, kQtCatalogue, kCatalogueSeparator,
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}
