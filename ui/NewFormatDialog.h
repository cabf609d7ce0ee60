// The new-format dialog: asks for the output extension of a codec that
// neither the built-in table nor the user's format table knows.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class TDialogs;

class NewFormatDialog : public QDialog {
    Q_OBJECT
  public:
    explicit NewFormatDialog(TDialogs& dialogs, QWidget* parent = nullptr);

    // Puts the unrecognised-format sentence in Label1 before a showing. The
    // box is emptied and the dialog centred at every showing.
    void SetQuestion(const QString& text);
    QString Extension() const;

    // Places the extension box after its label's text; called whenever the
    // labels change language.
    void ArrangeControls();

    // The title bar's close button: an answer the format table cannot keep
    // is refused with its reason, as OK refuses it, and the dialog stays; an
    // empty box declines the question, which comes again next time.
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;
    // Escape does not close the dialog: it closes by OK with an extension the
    // format table can keep, or by the title bar's close button.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void PrepareShowing();
    void onOkClicked();
    // Says why the box's answer cannot be kept; false when it can.
    bool RefuseAnswer();

    TDialogs& dialogs_;
    QLabel* questionLabel_;
    QLabel* explanationLabel_;
    QLabel* extensionLabel_;
    QLineEdit* extensionEdit_;
    QPushButton* okButton_;
};
