// The window's modal waits: message boxes, the file and folder choosers, the
// new-format dialog, the about windows and the web links. The window reaches
// them only through this interface so that tests can answer them.
#pragma once

#include <QString>
#include <QStringList>

class QDialog;
class QIcon;
class QWidget;

class TDialogs {
  public:
    enum class Icon { None, Information, Warning, Question, Critical };
    enum class Buttons { Ok, OkCancel };
    enum class Answer { Ok, Cancel };

    virtual ~TDialogs() = default;

    // A modal message box. Escape and the close button answer Cancel.
    virtual Answer MessageBox(QWidget* parent, const QString& caption, const QString& text,
                              Buttons buttons, Icon icon) = 0;

    // The open-file dialog. On confirmation fileName is replaced by the chosen
    // file's full path and true is returned; on cancel fileName is left alone.
    virtual bool OpenFile(QWidget* parent, const QString& filter, const QString& initialFolder,
                          QString& fileName) = 0;

    // The open-file dialog for several files: their full paths, none on
    // cancel.
    virtual QStringList OpenFiles(QWidget* parent, const QString& filter,
                                  const QString& initialFolder) = 0;

    // The save-file dialog: the confirmed file's full path, or empty on
    // cancel. A file that exists is replaced only once the user agrees.
    virtual QString SaveFile(QWidget* parent, const QString& caption, const QString& filter,
                             const QString& initialPath) = 0;

    // The folder chooser: the confirmed folder's full path, or empty on cancel.
    virtual QString SelectDirectory(QWidget* parent, const QString& caption, const QString& root,
                                    const QString& initialFolder) = 0;

    // Shows the new-format dialog modally; returns when it has closed.
    virtual void ShowNewFormat(QDialog& dialog) = 0;

    // Shows an about window modally; returns when it has closed.
    virtual void ShowAbout(QDialog& window) = 0;

    // The system-style about box with the application text and icon.
    virtual void ShowInfo(QWidget* parent, const QString& appText, const QIcon& icon) = 0;

    // Opens a web page in the desktop's browser; failures pass silently.
    virtual void OpenUrl(const QString& address) = 0;
};

// The real dialogs of the desktop, through Qt.
class TQtDialogs : public TDialogs {
  public:
    Answer MessageBox(QWidget* parent, const QString& caption, const QString& text, Buttons buttons,
                      Icon icon) override;
    bool OpenFile(QWidget* parent, const QString& filter, const QString& initialFolder,
                  QString& fileName) override;
    QStringList OpenFiles(QWidget* parent, const QString& filter,
                          const QString& initialFolder) override;
    QString SaveFile(QWidget* parent, const QString& caption, const QString& filter,
                     const QString& initialPath) override;
    QString SelectDirectory(QWidget* parent, const QString& caption, const QString& root,
                            const QString& initialFolder) override;
    void ShowNewFormat(QDialog& dialog) override;
    void ShowAbout(QDialog& window) override;
    void ShowInfo(QWidget* parent, const QString& appText, const QIcon& icon) override;
    void OpenUrl(const QString& address) override;
};
