#pragma once

class QCoreApplication;
class QLocale;

// Installs on `application` Qt's own translation (the standard buttons, the file dialog) and the
// program's, each for the first of the locale's languages it has; English needs neither.
// Returns 0 when the program's translation was found, -1 otherwise (English, or a language
// without one), which leaves the texts as written.
int InstallTranslations(QCoreApplication& application, const QLocale& locale);
