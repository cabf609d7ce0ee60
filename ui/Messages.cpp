#include "ui/Messages.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>
#include <array>

#include "core/Exception.h"

namespace {

using M = TMessage;

// The Spanish texts speak as the window's own Spanish does, keeping its
// loanwords "tracks", "attachments" and "tags".
// clang-format off
const auto kMessageTable = std::to_array<TMessageRow>({
    {M::UnknownError, u"Error desconocido", u"Unknown error"},

    {M::ExtractionFailed, u"La extracción ha fallado.", u"Extraction failed."},
    {M::FailedStep, u"Paso \"%1\": %2.", u"Step \"%1\": %2."},
    {M::StepTracks, u"tracks", u"tracks"},
    {M::StepAttachments, u"attachments", u"attachments"},

    {M::OutcomeNotStarted, u"no se pudo iniciar: %1", u"could not start: %1"},
    {M::OutcomeExitStatus, u"terminó con el estado de salida %1", u"ended with exit status %1"},
    {M::OutcomeSignal, u"terminado por la señal %1", u"killed by signal %1"},
    {M::OutcomeSignalNamed, u"terminado por la señal %1 (%2)", u"killed by signal %1 (%2)"},
    {M::OutcomeCancelled, u"cancelado", u"cancelled"},
    {M::OutcomeLost, u"no se pudo saber cómo terminó: %1", u"how it ended could not be learnt: %1"},
    {M::OutcomeUnknown, u"terminó de un modo desconocido", u"ended in an unknown way"},

    {M::ConsoleRunning, u"En curso…", u"Running…"},
    {M::ConsoleCancelling, u"Cancelando…", u"Cancelling…"},
    {M::ConsoleCancel, u"Cancelar", u"Cancel"},
    {M::ConsoleClose, u"Cerrar", u"Close"},
    {M::ConsoleOwnConsole, u"La herramienta muestra su salida en su propia consola.",
     u"The tool shows its output in its own console."},

    {M::StartEmptyCommand, u"la línea de comandos está vacía", u"the command line is empty"},
    {M::StartNoProgram,
     u"no hay ningún programa '%1' en la carpeta del programa ni en la ruta de búsqueda",
     u"no program '%1' in the program folder or on the search path"},
    {M::StartNoPipe, u"no se puede crear una tubería: %1", u"cannot make a pipe: %1"},
    {M::StartCannotRun, u"no se puede ejecutar '%1': %2", u"cannot run '%1': %2"},
    {M::StartCannotPrepare, u"no se puede preparar el inicio de '%1'",
     u"cannot prepare the start of '%1'"},

    {M::ExtractionCancelled,
     u"Extracción cancelada: los pasos restantes no se han llevado a cabo.",
     u"Extraction cancelled: the remaining steps were not carried out."},
    {M::ExtractionWarnings, u"Extracción completada con avisos.",
     u"Extraction completed with warnings."},
    {M::StepWarnings, u"Paso \"%1\" completado con avisos:",
     u"Step \"%1\" completed with warnings:"},

    {M::OutputFolderFailed,
     u"No se puede crear la carpeta de salida \"%1\": %2. No se ha extraído nada.",
     u"The output folder \"%1\" cannot be created: %2. Nothing was extracted."},

    {M::ListingFailed, u"No se puede leer el archivo: ostrem %1.",
     u"The file cannot be read: ostrem %1."},
    {M::ListingWarnings,
     u"ostrem ha leído el archivo con avisos; la lista puede estar incompleta:",
     u"ostrem read the file with warnings; the list may be incomplete:"},
    {M::CaptureTimedOut, u"%1 no ha dado ninguna salida en %2 segundos y se ha detenido.",
     u"%1 gave no output for %2 seconds and was stopped."},

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
    {M::SourceGone, u"El archivo \"%1\" ya no existe.", u"The file \"%1\" no longer exists."},
    {M::SourceNotNamed, u"El archivo \"%1\" no se puede pasar a las herramientas.",
     u"The file \"%1\" cannot be given to the tools."},

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
    {M::BatchAllAttachments, u"Todos los attachments", u"All attachments"},
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
    {M::BatchAttachmentOutput, u"attachment %1", u"attachment %1"},
    {M::BatchUnnamedTrack, u"sin extensión conocida para %1: se preguntará al extraer",
     u"no extension known for %1: asked when you extract"},
    {M::BatchStart, u"Extraer", u"Extract"},
    {M::BatchCopySummary, u"Copiar resumen", u"Copy summary"},
    {M::BatchOverall, u"Archivo %1 de %2 · %3 de %4", u"File %1 of %2 · %3 of %4"},
    {M::BatchCurrentFile, u"%1: %2", u"%1: %2"},
    {M::BatchWaiting, u"Listo para extraer", u"Ready to extract"},
    {M::StepFolder, u"carpeta", u"folder"},
    {M::StepChapters, u"capítulos", u"chapters"},
    {M::StepTags, u"tags", u"tags"},
    // Spanish counts as a tally, so that no number needs its own plural.
    {M::BatchTotals, u"Hechos: %1, con avisos: %2, fallidos: %3, cancelados: %4, omitidos: %5.",
     u"%1 done, %2 with warnings, %3 failed, %4 cancelled, %5 skipped."},
    {M::BatchFileDone, u"hecho", u"done"},
    {M::BatchFileWarnings, u"hecho con avisos", u"done with warnings"},
    {M::BatchFileFailed, u"fallido", u"failed"},
    {M::BatchFileCancelled, u"cancelado", u"cancelled"},
    {M::BatchFileSkipped, u"omitido", u"skipped"},
    {M::BatchFolderNotMade, u"No se puede crear la carpeta \"%1\": %2.",
     u"The folder \"%1\" cannot be created: %2."},
    {M::BatchFolderNotNamed, u"La carpeta \"%1\" no se puede pasar a las herramientas.",
     u"The folder \"%1\" cannot be given to the tools."},
    {M::BatchNothingPrinted, u"%1 no ha escrito nada.", u"%1 printed nothing."},
    {M::BatchNothingForRule, u"La regla no da nada para este archivo.",
     u"The rule gives nothing for this file."},
    {M::BatchNotRunAfterCancel, u"No se ha procesado: la extracción se canceló antes.",
     u"Not run: the extraction was cancelled before."},
    {M::BatchTrackLeftOut, u"Track %1 omitido: no hay extensión para %2.",
     u"Track %1 left out: no extension for %2."},
});
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
    for (const TMessageRow& row : kMessageTable) {
        if (row.key == key) {
            return QString::fromUtf16(language == TLanguage::Spanish ? row.spanish : row.english);
        }
    }
    throw torvane::Exception("No text for message " + std::to_string(static_cast<int>(key)));
}
