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
