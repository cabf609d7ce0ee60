// The Extract button. A first, plain version: each command line runs to its
// end while the window waits, the previews are written as files, and the user
// is told whether every step succeeded.
#include <QDir>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QString>
#include <QTextEdit>
#include <fstream>

#include "Dialogs.h"
#include "core/Exception.h"
#include "core/ProgramFolder.h"
#include "core/ShortPath.h"
#include "process/CommandSplit.h"
#include "unit1.h"

namespace {

void SavePreview(const std::string& path, const std::string& preview) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << preview << "\r\n";
    out.close();
    if (!out) {
        throw torvane::Exception("Cannot create file \"" + path + "\"");
    }
}

}  // namespace

void TForm1::BitBtn1Click() {
    bitBtn1_->setEnabled(false);
    QStringList failures;
    if (lineaComandos_->isEnabled()) {
        const int status = ejecutarquarvel(ComandoTracks(), 5);
        if (status != 0) {
            failures << QStringLiteral("tracks: status %1").arg(status);
        }
    }
    if (lineaComandosAtt_->isEnabled()) {
        const int status = ejecutarquarvel(ComandoAtt(), 5);
        if (status != 0) {
            failures << QStringLiteral("attachments: status %1").arg(status);
        }
    }
    const std::string folder =
        torvane::ExtractShortPathName(edit2_->text().toLocal8Bit().toStdString());
    if (lineaComandosChapter_->isEnabled()) {
        const bool xml = radioButton1_->isChecked();
        SavePreview(folder + (xml ? "Chapters.xml" : "Chapters.txt"), ChaptersPreview());
    }
    if (tagsMemo_->isEnabled()) {
        SavePreview(folder + "Tags.xml", TagsPreview());
    }
    bitBtn1_->setEnabled(true);
    if (!failures.isEmpty()) {
        throw torvane::Exception(failures.join(QStringLiteral("; ")).toLocal8Bit().toStdString());
    }
    dialogs_.MessageBox(this, QStringLiteral("INFO"),
                        QStringLiteral("¡Archivos extraídos corréctamente!"), TDialogs::Buttons::Ok,
                        TDialogs::Icon::Information);
}

int TForm1::ejecutarquarvel(const std::string& commandLine, int /*showState*/) {
    const auto command = torvane::ResolveCommand(commandLine);
    if (!command) {
        return -1;
    }
    QStringList arguments;
    for (std::size_t i = 1; i < command->argv.size(); ++i) {
        arguments << QString::fromLocal8Bit(command->argv[i].c_str());
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(QString::fromLocal8Bit(command->program.c_str()), arguments);
    if (!process.waitForStarted(-1) || !process.waitForFinished(-1)) {
        return -1;
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}
