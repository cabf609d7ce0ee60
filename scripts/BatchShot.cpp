// Photographs the batch window with its preview, for docs/batch-*.png
// (scripts/batch-screenshot.sh runs it under a virtual X server).
//
//   batch_shot BIN_DIR LANGUAGE PNG OUT_FOLDER SOURCE...
//
// LANGUAGE is the settings file's word (Castellano or English). The window
// opens from the main window's File menu, takes the sources, and the rule
// "Spanish audio and all subtitles, chapters as XML" into OUT_FOLDER; once
// every source is identified the window is grabbed. Exits 0 only when the
// picture was written.
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <fstream>
#include <string>

#include "core/ProgramFolder.h"
#include "ui/AboutWindows.h"
#include "ui/BatchWindow.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/NewFormatDialog.h"

namespace {

// Message boxes are printed and answered OK; nothing waits for a person.
class ShotDialogs : public TQtDialogs {
  public:
    Answer MessageBox(QWidget*, const QString&, const QString& text, Buttons, Icon) override {
        std::fprintf(stderr, "box: %s\n", qPrintable(text));
        return Answer::Ok;
    }
};

void Tick(QListWidget& list, const QString& startingWith) {
    for (int k = 0; k < list.count(); ++k) {
        if (list.item(k)->text().startsWith(startingWith)) {
            list.item(k)->setCheckState(Qt::Checked);
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: batch_shot BIN_DIR LANGUAGE PNG OUT_FOLDER SOURCE...\n");
        return 2;
    }
    QApplication app(argc, argv);
    const std::string bin =
        QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath().toStdString() + "/";
    const QString png = QFileInfo(QString::fromLocal8Bit(argv[3])).absoluteFilePath();
    const QString outFolder = QString::fromLocal8Bit(argv[4]);
    QStringList sources;
    for (int k = 5; k < argc; ++k) {
        sources << QFileInfo(QString::fromLocal8Bit(argv[k])).absoluteFilePath();
    }

    QTemporaryDir work;
    const std::string settings = work.path().toStdString() + "/Torvane.cfg";
    std::ofstream(settings, std::ios::binary) << argv[2] << "\r\n";

    ShotDialogs dialogs;
    TForm1 form1(dialogs, bin, torvane::FolderOf(settings), torvane::SettingsFile(settings));
    TForm2 form2(dialogs);
    TForm3 form3;
    TForm4 form4;
    form1.AttachWindows(form2, form3, form4);
    form1.show();

    bool shot = false;
    QTimer::singleShot(300, &form1, [&] {
        form1.findChild<QAction*>(QStringLiteral("Varios1"))->trigger();
        auto* batch = form1.findChild<TBatchWindow*>(QStringLiteral("BatchWindow"));
        batch->AddPaths(sources);
        batch->findChild<QLineEdit*>(QStringLiteral("BatchFolder"))->setText(outFolder);
        auto* poll = new QTimer(batch);
        poll->setInterval(20);
        QObject::connect(poll, &QTimer::timeout, batch, [&, batch, poll] {
            if (batch->Identifying()) {
                return;
            }
            poll->stop();
            Tick(*batch->findChild<QListWidget*>(QStringLiteral("BatchAudioLanguages")),
                 QStringLiteral("spa"));
            batch->findChild<QComboBox*>(QStringLiteral("BatchChapters"))->setCurrentIndex(1);
            QTimer::singleShot(500, batch, [&, batch] {
                shot = batch->grab().save(png);
                QApplication::quit();
            });
        });
        poll->start();
    });
    // Should anything wait for ever, give up.
    QTimer::singleShot(60000, [] { QApplication::exit(1); });
    const int status = app.exec();
    if (!shot) {
        std::fprintf(stderr, "no picture was taken\n");
    }
    return status == 0 && shot ? 0 : 1;
}
