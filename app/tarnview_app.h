// CTarnviewApp: the process's application object. InitInstance runs the tool's whole life: it
// prepares GDAL, runs the main dialog modally and returns when the dialog closes.
#pragma once

#include <QApplication>
#include <QTranslator>

class CTarnviewApp {
  public:
    CTarnviewApp();

    // Always false: nothing runs after the main dialog.
    bool InitInstance();

  private:
    // The command line is not the tool's: Qt sees only the program name.
    int argc_ = 1;
    char programName_[9] = "tarnview";
    char* argv_[2] = {programName_, nullptr};
    QApplication application_;
    QTranslator qtTexts_;  // Qt's own texts, when the desktop speaks Chinese
};
