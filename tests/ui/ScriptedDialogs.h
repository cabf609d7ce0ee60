// Answers the window's dialogs from a script and records what was asked. The
// new-format dialog itself is the real one: it is shown modally and its box
// and OK button are driven as a user would.
#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <deque>
#include <optional>
#include <vector>

#include "ui/Dialogs.h"
#include "ui/NewFormatDialog.h"

class ScriptedDialogs : public TDialogs {
  public:
    struct Box {
        QString caption;
        QString text;
        Buttons buttons;
        Icon icon;
    };

    // Answers for the message boxes, in order; Ok when the script runs out.
    std::deque<Answer> answers;
    std::vector<Box> boxes;

    // Files for the open-file dialog, in order; nullopt cancels. Cancel when
    // the script runs out.
    std::deque<std::optional<QString>> files;
    QString lastInitialFolder;
    int openCount = 0;

    // Answers of the several-files dialog, in order; none when the script
    // runs out.
    std::deque<QStringList> fileLists;

    // Paths for the save-file dialog, in order; empty cancels, as does the
    // script running out.
    std::deque<QString> saveFiles;

    std::deque<QString> folders;
    int folderCount = 0;

    // Extensions typed into the new-format dialog, in order. Each is typed and
    // OK pressed; a refused one (an empty box too) then closes the dialog
    // from its title bar, and when that is refused as well, empties the box
    // and closes it again, declining the question.
    std::deque<QString> extensions;
    std::vector<QString> newFormatLabels;

    std::vector<QString> aboutShown;
    std::vector<QString> infoShown;
    std::vector<QString> urlsOpened;

    Answer MessageBox(QWidget*, const QString& caption, const QString& text, Buttons buttons,
                      Icon icon) override {
        boxes.push_back({caption, text, buttons, icon});
        return Pop(answers, Answer::Ok);
    }

    bool OpenFile(QWidget*, const QString&, const QString& initialFolder,
                  QString& fileName) override {
        ++openCount;
        lastInitialFolder = initialFolder;
        const std::optional<QString> file = Pop(files, std::optional<QString>());
        fileName = file.value_or(fileName);
        return file.has_value();
    }

    QStringList OpenFiles(QWidget*, const QString&, const QString&) override {
        return Pop(fileLists, QStringList());
    }

    QString SaveFile(QWidget*, const QString&, const QString&, const QString&) override {
        return Pop(saveFiles, QString());
    }

    QString SelectDirectory(QWidget*, const QString&, const QString&, const QString&) override {
        ++folderCount;
        return Pop(folders, QString());
    }

    void ShowNewFormat(QDialog& dialog) override {
        newFormatLabels.push_back(dialog.findChild<QLabel*>(QStringLiteral("Label1"))->text());
        const QString answer = Pop(extensions, QStringLiteral("x"));
        QTimer::singleShot(0, &dialog, [&dialog, answer] {
            auto* box = dialog.findChild<QLineEdit*>(QStringLiteral("Edit1"));
            auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("BitBtn1"));
            box->setText(answer);
            ok->click();
            if (dialog.isVisible()) {
                dialog.close();  // the title bar's close button
            }
            if (dialog.isVisible()) {
                box->clear();
                dialog.close();
            }
        });
        dialog.exec();
    }

    void ShowAbout(QDialog& window) override { aboutShown.push_back(window.objectName()); }

    void ShowInfo(QWidget*, const QString& appText, const QIcon&) override {
        infoShown.push_back(appText);
    }

    void OpenUrl(const QString& address) override { urlsOpened.push_back(address); }

  private:
    // The script's next answer, or `fallback` once it has run out.
    template <class T>
    static T Pop(std::deque<T>& script, T fallback) {
        if (script.empty()) {
            return fallback;
        }
        T next = script.front();
        script.pop_front();
        return next;
    }
};
