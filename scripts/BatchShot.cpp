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
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTimer>
#include <cstdio>

#include "bench/WindowDrivers.h"
#include "ui/BatchWindow.h"

namespace {

// Ticks the choices of a code: each is listed by its name with its code
// beside it, "Spanish (spa)".
void Tick(QListWidget& list, const QString& code) {
    for (int k = 0; k < list.count(); ++k) {
        if (list.item(k)->text().endsWith(QLatin1Char('(') + code + QLatin1Char(')'))) {
            list.item(k)->setCheckState(Qt::Checked);
        }
    }
}

// The rule of the picture, once the sources' languages and codecs are known.
void ChooseRule(TBatchWindow& batch) {
    Tick(*batch.findChild<QListWidget*>(QStringLiteral("BatchAudioLanguages")),
         QStringLiteral("spa"));
    batch.findChild<QComboBox*>(QStringLiteral("BatchChapters"))->setCurrentIndex(1);
    // The fonts a season's subtitles need, without its pictures.
    batch.findChild<QCheckBox*>(QStringLiteral("BatchAttachmentFonts"))->setChecked(true);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: batch_shot BIN_DIR LANGUAGE PNG OUT_FOLDER SOURCE...\n");
        return 2;
    }
    QApplication app(argc, argv);
    const QString png = AbsolutePath(argv[3]);
    const QString outFolder = QString::fromLocal8Bit(argv[4]);
    QStringList sources;
    for (int k = 5; k < argc; ++k) {
        sources << AbsolutePath(argv[k]);
    }
    TUnattendedDialogs dialogs;
    TDrivenWindows windows(dialogs, argv[1], argv[2]);
    MainWindow& mainWindow = windows.Main();
    mainWindow.show();

    bool shot = false;
    QTimer::singleShot(300, &mainWindow, [&] {
        windows.Find<QAction>("Varios1").trigger();
        auto* batch = &windows.Find<TBatchWindow>("BatchWindow");
        batch->AddPaths(sources);
        batch->findChild<QLineEdit*>(QStringLiteral("BatchFolder"))->setText(outFolder);
        auto* poll = new QTimer(batch);
        poll->setInterval(20);
        QObject::connect(poll, &QTimer::timeout, batch, [&, batch, poll] {
            if (batch->Identifying()) {
                return;
            }
            poll->stop();
            ChooseRule(*batch);
            QTimer::singleShot(500, batch, [&, batch] {
                shot = batch->grab().save(png);
                QApplication::quit();
            });
        });
        poll->start();
    });
    GiveUpAfter(60000);
    const int status = app.exec();
    return ShotStatus(status, shot);
}
