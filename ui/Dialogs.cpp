#include "ui/Dialogs.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QIcon>
#include <QMessageBox>
#include <QPushButton>
#include <QStringList>
#include <QUrl>

#include "ui/FileFilter.h"

TDialogs::Answer TQtDialogs::MessageBox(QWidget* parent, const QString& caption,
                                        const QString& text, Buttons buttons, Icon icon) {
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    // Messages may break lines with CR alone; the box breaks at LF.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    box.setTextFormat(Qt::PlainText);
    box.setText(shown);
    switch (icon) {
        case Icon::None:
            box.setIcon(QMessageBox::NoIcon);
            break;
        case Icon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case Icon::Warning:
            box.setIcon(QMessageBox::Warning);
            break;
        case Icon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case Icon::Critical:
            box.setIcon(QMessageBox::Critical);
            break;
    }
    if (buttons == Buttons::OkCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
    }
    box.setDefaultButton(QMessageBox::Ok);
    const int result = box.exec();
    if (buttons == Buttons::Ok) {
        return Answer::Ok;
    }
    return result == QMessageBox::Ok ? Answer::Ok : Answer::Cancel;
}

bool TQtDialogs::OpenFile(QWidget* parent, const QString& filter, const QString& initialFolder,
                          QString& fileName) {
    const QString chosen =
        QFileDialog::getOpenFileName(parent, QString(), initialFolder, QtNameFilter(filter));
    if (chosen.isEmpty()) {
        return false;
    }
    fileName = chosen;
    return true;
}

QStringList TQtDialogs::OpenFiles(QWidget* parent, const QString& filter,
                                  const QString& initialFolder) {
    return QFileDialog::getOpenFileNames(parent, QString(), initialFolder, QtNameFilter(filter));
}

QString TQtDialogs::SaveFile(QWidget* parent, const QString& caption, const QString& filter,
                             const QString& initialPath) {
    return QFileDialog::getSaveFileName(parent, caption, initialPath, QtNameFilter(filter));
}

QString TQtDialogs::SelectDirectory(QWidget* parent, const QString& caption, const QString& root,
                                    const QString& initialFolder) {
    // Qt's chooser has no separate root; the initial folder is where it opens.
    const QString start = initialFolder.isEmpty() ? root : initialFolder;
    return QFileDialog::getExistingDirectory(parent, caption, start, QFileDialog::ShowDirsOnly);
}

void TQtDialogs::ShowNewFormat(QDialog& dialog) {
    dialog.exec();
}

void TQtDialogs::ShowAbout(QDialog& window) {
    window.exec();
}

void TQtDialogs::ShowInfo(QWidget* parent, const QString& appText, const QIcon& icon) {
    QMessageBox box(parent);
    box.setWindowTitle(appText);
    box.setText(appText);
    box.setIconPixmap(icon.pixmap(48, 48));
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void TQtDialogs::OpenUrl(const QString& address) {
    QDesktopServices::openUrl(QUrl(address));
}
