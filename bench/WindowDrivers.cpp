#include "bench/WindowDrivers.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <numeric>

#include "core/Settings.h"

QString AbsolutePath(const char* argument) {
    return QFileInfo(QString::fromLocal8Bit(argument)).absoluteFilePath();
}

TDrivenWindows::TDrivenWindows(TDialogs& dialogs, const char* binFolder, const char* languageWord)
    : bin_(AbsolutePath(binFolder).toStdString() + "/") {
    if (!temporary_.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder\n");
        std::exit(1);
    }
    work_ = temporary_.path().toStdString() + "/";
    const std::string settings = work_ + std::string(torvane::kSettingsFileName);
    std::ofstream(settings, std::ios::binary) << languageWord << "\r\n";
    windows_ =
        std::make_unique<TProgramWindows>(dialogs, bin_, work_, torvane::SettingsFile(settings));
}

TDialogs::Answer TUnattendedDialogs::MessageBox(QWidget*, const QString&, const QString& text,
                                                Buttons, Icon) {
    std::fprintf(stderr, "box: %s\n", qPrintable(text));
    return Answer::Ok;
}

bool TUnattendedDialogs::OpenFile(QWidget*, const QString&, const QString&, QString& fileName) {
    if (source.isEmpty()) {
        return false;
    }
    fileName = source;
    return true;
}

void GiveUpAfter(int milliseconds) {
    QTimer::singleShot(milliseconds, [] { QApplication::exit(1); });
}

int ShotStatus(int loopStatus, bool shot) {
    if (!shot) {
        std::fprintf(stderr, "no picture was taken\n");
    }
    return loopStatus == 0 && shot ? 0 : 1;
}

double TTimes::Best() const {
    return *std::min_element(ms.begin(), ms.end());
}

double TTimes::Mean() const {
    return std::accumulate(ms.begin(), ms.end(), 0.0) / static_cast<double>(ms.size());
}
