#include "core/UserTexts.h"

#include <array>

#include "core/Exception.h"

namespace torvane {
namespace {

using T = UserText;

// The Spanish texts speak as the window's own Spanish does, keeping its
// loanwords "tracks", "attachments" and "tags". The rule files' own words
// (keys, "yes", "fonts" ...) are the same in both languages, so a rule
// saved in one language reads in the other.
// clang-format off
constexpr auto kTexts = std::to_array<UserTextRow>({
    {T::FailedStep, "Paso \"%1\": %2.", "Step \"%1\": %2."},
    {T::StepWarnings, "Paso \"%1\" completado con avisos:",
     "Step \"%1\" completed with warnings:"},
    {T::StepFolder, "carpeta", "folder"},
    {T::StepTracks, "tracks", "tracks"},
    {T::StepAttachments, "attachments", "attachments"},
    {T::StepChapters, "capítulos", "chapters"},
    {T::StepTags, "tags", "tags"},

    {T::OutcomeNotStarted, "no se pudo iniciar: %1", "could not start: %1"},
    {T::OutcomeExitStatus, "terminó con el estado de salida %1", "ended with exit status %1"},
    {T::OutcomeSignal, "terminado por la señal %1", "killed by signal %1"},
    {T::OutcomeSignalNamed, "terminado por la señal %1 (%2)", "killed by signal %1 (%2)"},
    {T::OutcomeTimedOut, "detenido tras quedar en silencio", "stopped after going silent"},
    {T::OutcomeCancelled, "cancelado", "cancelled"},
    {T::OutcomeLost, "no se pudo saber cómo terminó: %1", "how it ended could not be learnt: %1"},
    {T::OutcomeUnknown, "terminó de un modo desconocido", "ended in an unknown way"},

    {T::StartEmptyCommand, "la línea de comandos está vacía", "the command line is empty"},
    {T::StartNoProgram,
     "no hay ningún programa '%1' en la carpeta del programa ni en la ruta de búsqueda",
     "no program '%1' in the program folder or on the search path"},
    {T::StartNoPipe, "no se puede crear una tubería: %1", "cannot make a pipe: %1"},
    {T::StartCannotRun, "no se puede ejecutar '%1': %2", "cannot run '%1': %2"},
    {T::StartCannotPrepare, "no se puede preparar el inicio de '%1'",
     "cannot prepare the start of '%1'"},

    {T::ListingFailed, "No se puede leer el archivo: ostrem %1.",
     "The file cannot be read: ostrem %1."},
    {T::ListingWarnings,
     "ostrem ha leído el archivo con avisos; la lista puede estar incompleta:",
     "ostrem read the file with warnings; the list may be incomplete:"},
    {T::CaptureTimedOut, "%1 no ha dado ninguna salida en %2 segundos y se ha detenido.",
     "%1 gave no output for %2 seconds and was stopped."},
    {T::SourceGone, "El archivo \"%1\" ya no existe.", "The file \"%1\" no longer exists."},
    {T::SourceNotNamed, "El archivo \"%1\" no se puede pasar a las herramientas.",
     "The file \"%1\" cannot be given to the tools."},

    // Spanish counts as a tally, so that no number needs its own plural.
    {T::BatchTotals, "Hechos: %1, con avisos: %2, fallidos: %3, cancelados: %4, omitidos: %5.",
     "%1 done, %2 with warnings, %3 failed, %4 cancelled, %5 skipped."},
    {T::BatchFileDone, "hecho", "done"},
    {T::BatchFileWarnings, "hecho con avisos", "done with warnings"},
    {T::BatchFileFailed, "fallido", "failed"},
    {T::BatchFileCancelled, "cancelado", "cancelled"},
    {T::BatchFileSkipped, "omitido", "skipped"},
    {T::BatchFolderNotMade, "No se puede crear la carpeta \"%1\": %2.",
     "The folder \"%1\" cannot be created: %2."},
    {T::BatchFolderNotNamed, "La carpeta \"%1\" no se puede pasar a las herramientas.",
     "The folder \"%1\" cannot be given to the tools."},
    {T::BatchNothingPrinted, "%1 no ha escrito nada.", "%1 printed nothing."},
    {T::BatchNothingForRule, "La regla no da nada para este archivo.",
     "The rule gives nothing for this file."},
    {T::BatchNotRunAfterCancel, "No se ha procesado: la extracción se canceló antes.",
     "Not run: the extraction was cancelled before."},
    {T::BatchTrackLeftOut, "Track %1 omitido: no hay extensión para %2.",
     "Track %1 left out: no extension for %2."},

    {T::RuleNotFound, "No existe el archivo de regla \"%1\".",
     "The rule file \"%1\" does not exist."},
    {T::RuleNotAFile, "\"%1\" no es un archivo: una regla es un archivo de texto.",
     "\"%1\" is not a file: a rule is a text file."},
    {T::RuleTooLarge,
     "\"%1\" no es una regla de Torvane: ocupa más de %2 KiB.",
     "\"%1\" is not a Torvane batch rule: it is larger than %2 KiB."},
    {T::RuleUnreadable, "No se puede leer el archivo de regla \"%1\": %2.",
     "The rule file \"%1\" cannot be read: %2."},
    {T::RuleNotARule,
     "\"%1\" no es una regla de Torvane: su primera línea debe ser \"%2\".",
     "\"%1\" is not a Torvane batch rule: its first line must be \"%2\"."},
    {T::RuleNewerVersion,
     "\"%1\" es una regla de la versión %2; esta versión de Torvane lee la %3.",
     "\"%1\" is a batch rule of version %2; this Torvane reads version %3."},
    {T::RuleNotText, "\"%1\", línea %2: no es texto UTF-8.",
     "\"%1\", line %2: not UTF-8 text."},
    {T::RuleControlChar, "\"%1\", línea %2: contiene un carácter de control.",
     "\"%1\", line %2: holds a control character."},
    {T::RuleNoEquals, "\"%1\", línea %2: se esperaba \"clave = valor\".",
     "\"%1\", line %2: expected \"key = value\"."},
    {T::RuleUnknownKey, "\"%1\", línea %2: clave desconocida \"%3\".",
     "\"%1\", line %2: unknown key \"%3\"."},
    {T::RuleBadValue,
     "\"%1\", línea %2: \"%3\" no es un valor de \"%4\"; se esperaba %5.",
     "\"%1\", line %2: \"%3\" is not a value of \"%4\"; expected %5."},
    {T::RuleTwice, "\"%1\", línea %2: \"%3\" ya se dio en la línea %4.",
     "\"%1\", line %2: \"%3\" was already given on line %4."},
    {T::RuleMixedList, "\"%1\", línea %2: en \"%3\", \"%4\" va solo.",
     "\"%1\", line %2: in \"%3\", \"%4\" stands alone."},
    {T::RuleCodeNotSavable,
     "La regla no se puede guardar: \"%1\" no cabe en un archivo de regla (espacios, "
     "caracteres de control, o una palabra reservada).",
     "The rule cannot be saved: \"%1\" cannot be written in a rule file (blanks, "
     "control characters, or a reserved word)."},

    {T::CommandUsage, "torvane --batch: %1\nPrueba 'torvane --help'.",
     "torvane --batch: %1\nTry 'torvane --help'."},
    {T::CommandNoRule, "falta el archivo de regla", "the rule file is missing"},
    {T::CommandNoSources, "falta un archivo o una carpeta de origen",
     "no source file or folder was given"},
    {T::CommandOutputTwice, "--output se ha dado dos veces", "--output was given twice"},
    {T::CommandOutputMissing, "falta la carpeta tras --output",
     "--output needs a folder after it"},
    {T::CommandUnknownOption, "opción desconocida \"%1\"", "unknown option \"%1\""},
    {T::CommandNoSuchPath, "No existe \"%1\".", "\"%1\" does not exist."},
    {T::CommandFormatsUnread, "No se puede leer la tabla de formatos: %1",
     "The format table cannot be read: %1"},
    {T::CommandInterrupted, "Cancelado: no se ha extraído nada.",
     "Cancelled: nothing was extracted."},
    {T::CommandSummaryUnwritten, "No se puede escribir el resumen: %1",
     "The summary cannot be written: %1"},

    // The windows' own texts.
    {T::UnknownError, "Error desconocido", "Unknown error"},

    {T::ExtractionFailed, "La extracción ha fallado.", "Extraction failed."},

    {T::ConsoleRunning, "En curso…", "Running…"},
    {T::ConsoleCancelling, "Cancelando…", "Cancelling…"},
    {T::ConsoleCancel, "Cancelar", "Cancel"},
    {T::ConsoleClose, "Cerrar", "Close"},
    {T::ConsoleOwnConsole, "La herramienta muestra su salida en su propia consola.",
     "The tool shows its output in its own console."},

    {T::ExtractionCancelled,
     "Extracción cancelada: los pasos restantes no se han llevado a cabo.",
     "Extraction cancelled: the remaining steps were not carried out."},
    {T::ExtractionWarnings, "Extracción completada con avisos.",
     "Extraction completed with warnings."},

    {T::OutputFolderFailed,
     "No se puede crear la carpeta de salida \"%1\": %2. No se ha extraído nada.",
     "The output folder \"%1\" cannot be created: %2. Nothing was extracted."},

    {T::ExtensionTooLong, "La extensión puede tener seis caracteres como máximo.",
     "The extension can have six characters at most."},
    {T::ExtensionBlank, "La extensión no puede contener espacios.",
     "The extension cannot contain blanks."},
    {T::ExtensionBracket, "La extensión no puede contener \"(\".",
     "The extension cannot contain \"(\"."},
    {T::ExtensionReserved,
     "\"ext\" no puede ser una extensión: Torvane volvería a preguntar cada vez.",
     "\"ext\" cannot be an extension: Torvane would ask again every time."},
    {T::FormatsNotSaved,
     "No se han podido guardar los formatos nuevos; se volverán a preguntar la próxima vez.\n%1",
     "The new formats could not be saved; they will be asked for again next time.\n%1"},
    {T::SourceNotFound, "No se encuentra el archivo \"%1\".", "File \"%1\" not found."},
    // Their spelling and blanks are the window's own, quoted by its users.
    {T::ToolsMissingTitle, "   ¡AVISO!", "    WARNING!"},
    {T::ToolsMissing,
     "quarvel.exe y/o ostrem.exe no se encuentran en la misma carpeta que Torvane. Debes "
     "copiarlos y volver a empezar.",
     "quarvel.exe and/or ostrem.exe file has no been found in the same folder of Torvane. "
     "Copy then into this folder and try again."},
    {T::ExitTitle, "         Salir", "          Exit"},
    {T::ExitQuestion, "¿Desea salir?", "¿Really want to exit?"},

    {T::BatchMenuItem, "Extraer de varios archivos…", "Extract from several files…"},
    {T::BatchTitle, "Torvane: extraer de varios archivos", "Torvane: extract from several files"},
    {T::BatchSources, "Archivos de origen", "Source files"},
    {T::BatchAddFiles, "Añadir archivos…", "Add files…"},
    {T::BatchAddFolder, "Añadir carpeta…", "Add folder…"},
    {T::BatchRemove, "Quitar", "Remove"},
    {T::BatchSourcesHint, "Añade archivos Matroska o arrastra aquí archivos y carpetas",
     "Add Matroska files, or drop files and folders here"},
    {T::BatchColumnFile, "Archivo", "File"},
    {T::BatchColumnContents, "Contenido", "Contents"},
    {T::BatchIdentifying, "identificando…", "identifying…"},
    {T::BatchUnreadable, "no se puede leer: %1", "cannot be read: %1"},
    {T::BatchReadWithWarnings, "leído con avisos", "read with warnings"},
    {T::BatchVideo, "vídeo", "video"},
    {T::BatchAudio, "audio", "audio"},
    {T::BatchSubtitles, "subtítulos", "subtitles"},
    {T::BatchOneAttachment, "1 attachment", "1 attachment"},
    {T::BatchAttachmentCount, "%1 attachments", "%1 attachments"},
    {T::BatchChaptersPresent, "capítulos", "chapters"},
    {T::BatchTagsPresent, "tags", "tags"},
    {T::BatchNoContents, "nada que extraer", "nothing to extract"},
    {T::BatchRule, "Una regla para todos los archivos", "One rule for all files"},
    {T::BatchLanguages, "Idiomas", "Languages"},
    {T::BatchCodecs, "Códecs", "Codecs"},
    {T::BatchAnyLanguage, "cualquiera", "any"},
    {T::BatchAnyCodec, "cualquiera", "any"},
    {T::BatchChapters, "Capítulos:", "Chapters:"},
    {T::BatchChaptersNone, "ninguno", "none"},
    {T::BatchChaptersXml, "XML (.xml)", "XML (.xml)"},
    {T::BatchChaptersSimple, "texto simple (.txt)", "simple text (.txt)"},
    {T::BatchTags, "Tags (Tags.xml)", "Tags (Tags.xml)"},
    {T::BatchOutput, "Carpeta de salida", "Output folder"},
    {T::BatchBrowse, "Seleccionar", "Browse"},
    {T::BatchOutputBeside, "vacía: junto a cada archivo de origen",
     "empty: beside each source file"},
    {T::BatchChooseOutput, "Selecciona la carpeta de salida", "Choose the output folder"},
    {T::BatchChooseSourceFolder, "Selecciona una carpeta de archivos Matroska",
     "Choose a folder of Matroska files"},
    {T::BatchFolderPerSource, "Una subcarpeta por archivo de origen",
     "A subfolder per source file"},
    {T::BatchPrefixedNames, "Todo en la carpeta, con el nombre del origen delante",
     "All in the folder, names prefixed by the source's"},
    {T::BatchPreview, "Vista previa", "Preview"},
    {T::BatchSummary, "Resumen", "Summary"},
    {T::BatchColumnOutput, "Archivo de salida", "Output file"},
    {T::BatchColumnHolds, "Qué contiene", "What it holds"},
    {T::BatchGivesOne, "1 archivo", "1 file"},
    {T::BatchGivesMany, "%1 archivos", "%1 files"},
    {T::BatchGivesNothing, "nada con esta regla", "nothing for this rule"},
    {T::BatchAttachmentOutput, "attachment %1 · %2", "attachment %1 · %2"},
    {T::BatchKindFont, "fuente", "font"},
    {T::BatchKindImage, "imagen", "image"},
    {T::BatchKindOther, "otro", "other"},
    {T::BatchUnnamedTrack, "sin extensión conocida para %1: se preguntará al extraer",
     "no extension known for %1: asked when you extract"},
    {T::BatchStart, "Extraer", "Extract"},
    {T::BatchCopySummary, "Copiar resumen", "Copy summary"},
    {T::BatchOverall, "Archivo %1 de %2 · %3 de %4", "File %1 of %2 · %3 of %4"},
    {T::BatchCurrentFile, "%1: %2", "%1: %2"},
    {T::BatchWaiting, "Listo para extraer", "Ready to extract"},
    {T::BatchAttachments, "Attachments:", "Attachments:"},
    {T::BatchFonts, "fuentes", "fonts"},
    {T::BatchImages, "imágenes", "images"},
    {T::BatchOtherAttachments, "otros", "other"},
    {T::BatchSaveRule, "Guardar regla…", "Save rule…"},
    {T::BatchLoadRule, "Cargar regla…", "Load rule…"},
    {T::BatchSaveRuleTitle, "Guardar la regla", "Save the rule"},
    {T::BatchRuleFilter, "Reglas de Torvane (*.rule)|*.rule|Todos los archivos (*)|*",
     "Torvane batch rules (*.rule)|*.rule|All files (*)|*"},
});
// clang-format on

}  // namespace

std::string TextOf(UserText key, Language language) {
    for (const UserTextRow& row : kTexts) {
        if (row.key == key) {
            return std::string(language == Language::Spanish ? row.spanish : row.english);
        }
    }
    throw Exception("No text for user text " + std::to_string(static_cast<int>(key)));
}

std::string Filled(std::string_view pattern, std::initializer_list<std::string_view> arguments) {
    std::string text;
    text.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
        const std::size_t number = next >= '1' && next <= '9' ? std::size_t(next - '0') : 0;
        if (pattern[i] == '%' && number != 0 && number <= arguments.size()) {
            text += *(arguments.begin() + (number - 1));
            ++i;
        } else {
            text += pattern[i];
        }
    }
    return text;
}

std::string TextOf(UserText key, Language language,
                   std::initializer_list<std::string_view> arguments) {
    return Filled(TextOf(key, language), arguments);
}

std::span<const UserTextRow> UserTextRows() {
    return kTexts;
}

}  // namespace torvane
