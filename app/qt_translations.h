// Qt's own texts (the file dialog's buttons, the message boxes' OK and Cancel, the edit boxes'
// context menus) in the language of the dialog's labels when the desktop speaks Chinese.
#pragma once

#include <QLocale>
#include <QTranslator>

// Loads Qt's simplified-Chinese catalogue into `translator` when `system` is a Chinese locale;
// false, with `translator` left empty, for any other locale or when the catalogue is missing.
bool LoadQtTranslations(QTranslator& translator, const QLocale& system);
