#include "Messages.h"

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
});
// clang-format on

TLanguage languageInForce = TLanguage::Spanish;

}  // namespace

std::span<const TMessageRow> MessageRows() {
    return kMessageTable;
}

TLanguage LanguageInForce() {
    return languageInForce;
}

void SetLanguageInForce(TLanguage language) {
    languageInForce = language;
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
