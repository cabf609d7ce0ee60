#include "ui/Messages.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>
#include <array>
#include <utility>

#include "core/Exception.h"
#include "core/UserTexts.h"

namespace {

using M = TMessage;

// The Spanish texts speak as the window's own Spanish does, keeping its
// loanwords "tracks", "attachments" and "tags".
// clang-format off
const auto kMessageTable = std::to_array<TMessageRow>({
    {M::UnknownError, u"Error desconocido", u"Unknown error"},

    {M::ExtractionFailed, u"La extracción ha fallado.", u"Extraction failed."},

    {M::ConsoleRunning, u"En curso…", u"Running…"},
    {M::ConsoleCancelling, u"Cancelando…", u"Cancelling…"},
    {M::ConsoleCancel, u"Cancelar", u"Cancel"},
    {M::ConsoleClose, u"Cerrar", u"Close"},
    {M::ConsoleOwnConsole, u"La herramienta muestra su salida en su propia consola.",
     u"The tool shows its output in its own console."},

    {M::ExtractionCancelled,
     u"Extracción cancelada: los pasos restantes no se han llevado a cabo.",
     u"Extraction cancelled: the remaining steps were not carried out."},
    {M::ExtractionWarnings, u"Extracción completada con avisos.",
     u"Extraction completed with warnings."},

    {M::OutputFolderFailed,
     u"No se puede crear la carpeta de salida \"%1\": %2. No se ha extraído nada.",
     u"The output folder \"%1\" cannot be created: %2. Nothing was extracted."},

    {M::ExtensionTooLong, u"La extensión puede tener seis caracteres como máximo.",
     u"The extension can have six characters at most."},
    {M::ExtensionBlank, u"La extensión no puede contener espacios.",
     u"The extension cannot contain blanks."},
    {M::ExtensionBracket, u"La extensión no puede contener \"(\".",
     u"The extension cannot contain \"(\"."},
    {M::ExtensionReserved,
     u"\"ext\" no puede ser una extensión: Torvane volvería a preguntar cada vez.",
     u"\"ext\" cannot be an extension: Torvane would ask again every time."},
    {M::FormatsNotSaved,
     u"No se han podido guardar los formatos nuevos; se volverán a preguntar la próxima vez.\n%1",
     u"The new formats could not be saved; they will be asked for again next time.\n%1"},
    {M::SourceNotFound, u"No se encuentra el archivo \"%1\".", u"File \"%1\" not found."},

    {M::BatchMenuItem, u"Extraer de varios archivos…", u"Extract from several files…"},
    {M::BatchTitle, u"Torvane: extraer de varios archivos", u"Torvane: extract from several files"},
    {M::BatchSources, u"Archivos de origen", u"Source files"},
    {M::BatchAddFiles, u"Añadir archivos…", u"Add files…"},
    {M::BatchAddFolder, u"Añadir carpeta…", u"Add folder…"},
    {M::BatchRemove, u"Quitar", u"Remove"},
    {M::BatchSourcesHint, u"Añade archivos Matroska o arrastra aquí archivos y carpetas",
     u"Add Matroska files, or drop files and folders here"},
    {M::BatchColumnFile, u"Archivo", u"File"},
    {M::BatchColumnContents, u"Contenido", u"Contents"},
    {M::BatchIdentifying, u"identificando…", u"identifying…"},
    {M::BatchUnreadable, u"no se puede leer: %1", u"cannot be read: %1"},
    {M::BatchReadWithWarnings, u"leído con avisos", u"read with warnings"},
    {M::BatchVideo, u"vídeo", u"video"},
    {M::BatchAudio, u"audio", u"audio"},
    {M::BatchSubtitles, u"subtítulos", u"subtitles"},
    {M::BatchOneAttachment, u"1 attachment", u"1 attachment"},
    {M::BatchAttachmentCount, u"%1 attachments", u"%1 attachments"},
    {M::BatchChaptersPresent, u"capítulos", u"chapters"},
    {M::BatchTagsPresent, u"tags", u"tags"},
    {M::BatchNoContents, u"nada que extraer", u"nothing to extract"},
    {M::BatchRule, u"Una regla para todos los archivos", u"One rule for all files"},
    {M::BatchLanguages, u"Idiomas", u"Languages"},
    {M::BatchCodecs, u"Códecs", u"Codecs"},
    {M::BatchAnyLanguage, u"cualquiera", u"any"},
    {M::BatchAnyCodec, u"cualquiera", u"any"},
    {M::BatchChapters, u"Capítulos:", u"Chapters:"},
    {M::BatchChaptersNone, u"ninguno", u"none"},
    {M::BatchChaptersXml, u"XML (.xml)", u"XML (.xml)"},
    {M::BatchChaptersSimple, u"texto simple (.txt)", u"simple text (.txt)"},
    {M::BatchTags, u"Tags (Tags.xml)", u"Tags (Tags.xml)"},
    {M::BatchOutput, u"Carpeta de salida", u"Output folder"},
    {M::BatchBrowse, u"Seleccionar", u"Browse"},
    {M::BatchOutputBeside, u"vacía: junto a cada archivo de origen",
     u"empty: beside each source file"},
    {M::BatchChooseOutput, u"Selecciona la carpeta de salida", u"Choose the output folder"},
    {M::BatchChooseSourceFolder, u"Selecciona una carpeta de archivos Matroska",
     u"Choose a folder of Matroska files"},
    {M::BatchFolderPerSource, u"Una subcarpeta por archivo de origen",
     u"A subfolder per source file"},
    {M::BatchPrefixedNames, u"Todo en la carpeta, con el nombre del origen delante",
     u"All in the folder, names prefixed by the source's"},
    {M::BatchPreview, u"Vista previa", u"Preview"},
    {M::BatchSummary, u"Resumen", u"Summary"},
    {M::BatchColumnOutput, u"Archivo de salida", u"Output file"},
    {M::BatchColumnHolds, u"Qué contiene", u"What it holds"},
    {M::BatchGivesOne, u"1 archivo", u"1 file"},
    {M::BatchGivesMany, u"%1 archivos", u"%1 files"},
    {M::BatchGivesNothing, u"nada con esta regla", u"nothing for this rule"},
    {M::BatchAttachmentOutput, u"attachment %1 · %2", u"attachment %1 · %2"},
    {M::BatchKindFont, u"fuente", u"font"},
    {M::BatchKindImage, u"imagen", u"image"},
    {M::BatchKindOther, u"otro", u"other"},
    {M::BatchUnnamedTrack, u"sin extensión conocida para %1: se preguntará al extraer",
     u"no extension known for %1: asked when you extract"},
    {M::BatchStart, u"Extraer", u"Extract"},
    {M::BatchCopySummary, u"Copiar resumen", u"Copy summary"},
    {M::BatchOverall, u"Archivo %1 de %2 · %3 de %4", u"File %1 of %2 · %3 of %4"},
    {M::BatchCurrentFile, u"%1: %2", u"%1: %2"},
    {M::BatchWaiting, u"Listo para extraer", u"Ready to extract"},
    {M::BatchAttachments, u"Attachments:", u"Attachments:"},
    {M::BatchFonts, u"fuentes", u"fonts"},
    {M::BatchImages, u"imágenes", u"images"},
    {M::BatchOtherAttachments, u"otros", u"other"},
    {M::BatchSaveRule, u"Guardar regla…", u"Save rule…"},
    {M::BatchLoadRule, u"Cargar regla…", u"Load rule…"},
    {M::BatchSaveRuleTitle, u"Guardar la regla", u"Save the rule"},
    {M::BatchRuleFilter, u"Reglas de Torvane (*.rule)|*.rule|Todos los archivos (*)|*",
     u"Torvane batch rules (*.rule)|*.rule|All files (*)|*"},
});

// The texts the window shares with the window-free reports, which keep them.
constexpr std::pair<TMessage, torvane::UserText> kSharedTexts[] = {
    {M::FailedStep, torvane::UserText::FailedStep},
    {M::StepTracks, torvane::UserText::StepTracks},
    {M::StepAttachments, torvane::UserText::StepAttachments},
    {M::StepChapters, torvane::UserText::StepChapters},
    {M::StepTags, torvane::UserText::StepTags},
    {M::StepWarnings, torvane::UserText::StepWarnings},
    {M::ListingFailed, torvane::UserText::ListingFailed},
    {M::ListingWarnings, torvane::UserText::ListingWarnings},
    {M::CaptureTimedOut, torvane::UserText::CaptureTimedOut},
    {M::SourceGone, torvane::UserText::SourceGone},
    {M::SourceNotNamed, torvane::UserText::SourceNotNamed},
};
// clang-format on

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

}  // namespace

std::span<const TMessageRow> MessageRows() {
    return kMessageTable;
}

TLanguage LanguageInForce() {
    return languageInForce;
}

void SetLanguageInForce(TLanguage language) {
    languageInForce = language;
    UseQtTexts(language);
}

QString Message(TMessage key) {
    return Message(key, languageInForce);
}

QString Message(TMessage key, TLanguage language) {
    for (const auto& [shared, text] : kSharedTexts) {
        if (shared == key) {
            return QString::fromStdString(torvane::TextOf(text, language == TLanguage::Spanish
                                                                    ? torvane::Language::Spanish
                                                                    : torvane::Language::English));
        }
    }
    for (const TMessageRow& row : kMessageTable) {
        if (row.key == key) {
            return QString::fromUtf16(language == TLanguage::Spanish ? row.spanish : row.english);
        }
    }
    throw torvane::Exception("No text for message " + std::to_string(static_cast<int>(key)));
}

torvane::Language CoreLanguage() {
    return languageInForce == TLanguage::Spanish ? torvane::Language::Spanish
                                                 : torvane::Language::English;
}
