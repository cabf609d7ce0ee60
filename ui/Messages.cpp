#include "ui/Messages.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

namespace {

TLanguage languageInForce = TLanguage::Spanish;

// Qt's own texts (the message boxes' buttons, the file and folder choosers)
// come from the translations Qt ships: Qt's own folder of them (Debian's
// qt6-translations-l10n), or the translations folder beside the program,
// where the Windows build puts Spanish.
// English is Qt's own language; a missing translation leaves it.
void UseQtTexts(TLanguage language) {
    static QPointer<QTranslator> spanish;
    if (QCoreApplication::instance() == nullptr) {
        return;
    }
    if (language == TLanguage::English) {
        if (spanish) {
            QCoreApplication::removeTranslator(spanish);
        }
        return;
    }
    if (!spanish) {
        spanish = new QTranslator(QCoreApplication::instance());
        for (const QString& folder :
             {QLibraryInfo::path(QLibraryInfo::TranslationsPath),
              QCoreApplication::applicationDirPath() + QStringLiteral("/translations")}) {
            if (spanish->load(QStringLiteral("qtbase_es"), folder)) {
                break;
            }
        }
    }
    if (!spanish->isEmpty()) {
        // Once in Qt's list, however often the language is applied.
        QCoreApplication::removeTranslator(spanish);
        QCoreApplication::installTranslator(spanish);
    }
}

torvane::Language CoreLanguageOf(TLanguage language) {
    return language == TLanguage::Spanish ? torvane::Language::Spanish : torvane::Language::English;
}

}  // namespace

TLanguage LanguageInForce() {
    return languageInForce;
}

void SetLanguageInForce(TLanguage language) {
    languageInForce = language;
    UseQtTexts(language);
}

QString Message(UserText key) {
    return Message(key, languageInForce);
}

QString Message(UserText key, TLanguage language) {
    return Message(key, CoreLanguageOf(language));
}

QString Message(UserText key, torvane::Language language) {
    return QString::fromStdString(torvane::TextOf(key, language));
}

torvane::Language CoreLanguage() {
    return CoreLanguageOf(languageInForce);
}
