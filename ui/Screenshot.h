// A developer aid for the documentation: when TORVANE_SCREENSHOT is set to
// "FILE.png,PAGE[,SOURCE]" the window reads SOURCE (if given) as if it had
// been chosen, shows page PAGE (0 or 1), saves its picture to FILE.png and
// ends. Nothing else reads the variable.
#pragma once

#include <QString>

#include "ui/Dialogs.h"

class TForm1;

struct TScreenshotRequest {
    bool active = false;
    QString file;
    int page = 0;
    QString source;
};

TScreenshotRequest ScreenshotRequestFromEnvironment();

// Answers the source dialog with the given file and every other dialog with
// its default, so the window can be photographed unattended.
class TScreenshotDialogs : public TQtDialogs {
  public:
    explicit TScreenshotDialogs(QString source) : source_(std::move(source)) {}
    Answer MessageBox(QWidget*, const QString&, const QString&, Buttons, Icon) override {
        return Answer::Ok;
    }
    bool OpenFile(QWidget*, const QString&, const QString&, QString& fileName) override {
        if (source_.isEmpty()) {
            return false;
        }
        fileName = source_;
        return true;
    }

    // A codec no table knows gets no extension rather than a question.
    void ShowNewFormat(TForm2&) override {}

  private:
    QString source_;
};

void TakeScreenshotLater(TForm1& window, const TScreenshotRequest& request);
