#include "ui/NewFormatDialog.h"

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <algorithm>

#include "core/Formats.h"
#include "ui/Dialogs.h"
#include "ui/Messages.h"
#include "ui/PlacementAndFonts.h"

NewFormatDialog::NewFormatDialog(TDialogs& dialogs, QWidget* parent)
    : QDialog(parent), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Nuevo Formato Detectado"));
    setFont(NearestSansFont(12));
    resize(434, 149);

    questionLabel_ = new QLabel(QStringLiteral("Nuevos Formatos"), this);
    questionLabel_->setObjectName(QStringLiteral("Label1"));
    questionLabel_->move(8, 8);
    explanationLabel_ = new QLabel(
        QStringLiteral("Escribe la extensión que será asociada a este tipo de tracks."), this);
    explanationLabel_->setObjectName(QStringLiteral("Label2"));
    explanationLabel_->move(8, 40);
    extensionLabel_ = new QLabel(QStringLiteral("Extensión de salida (Sin el punto)"), this);
    extensionLabel_->setObjectName(QStringLiteral("Label3"));
    extensionLabel_->move(8, 72);
    for (QLabel* label : {questionLabel_, explanationLabel_, extensionLabel_}) {
        label->adjustSize();
    }

    extensionEdit_ = new QLineEdit(this);
    extensionEdit_->setObjectName(QStringLiteral("Edit1"));
    extensionEdit_->setGeometry(192, 69, 57, 21);

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("BitBtn1"));
    okButton_->setGeometry(304, 64, 113, 33);
    okButton_->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    okButton_->setDefault(true);
    okButton_->setAutoDefault(true);
    connect(okButton_, &QPushButton::clicked, this, [this] { onOkClicked(); });

    setTabOrder(extensionEdit_, okButton_);
    ArrangeControls();
}

void NewFormatDialog::ArrangeControls() {
    // The box stands right of its label; a language whose label is longer
    // than the design's pushes the box along instead of covering the text.
    extensionEdit_->move(std::max(192, extensionLabel_->geometry().right() + 6), 69);
    // The dialog is resizable: it widens rather than cut a long sentence.
    int need = 0;
    for (QLabel* label : {questionLabel_, explanationLabel_, extensionLabel_}) {
        need = std::max(need, label->geometry().right() + 9);
    }
    if (need > width()) {
        resize(need, height());
    }
}

void NewFormatDialog::SetQuestion(const QString& text) {
    questionLabel_->setText(text);
    questionLabel_->adjustSize();
    ArrangeControls();
}

QString NewFormatDialog::Extension() const {
    return extensionEdit_->text();
}

void NewFormatDialog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    PrepareShowing();
}

void NewFormatDialog::PrepareShowing() {
    ArrangeControls();
    CentreOnScreen(*this);
    extensionEdit_->clear();
    extensionEdit_->setFocus();
}

void NewFormatDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

namespace {

// Why an answer is refused, or the empty text. The empty box keeps its own
// request, Spanish in both languages.
QString Refusal(torvane::ExtensionProblem problem) {
    using P = torvane::ExtensionProblem;
    switch (problem) {
        case P::None:
            return {};
        case P::Empty:
            return QStringLiteral("Por favor, escribe una extensión en el recuadro.");
        case P::TooLong:
            return Message(UserText::ExtensionTooLong);
        case P::Blank:
            return Message(UserText::ExtensionBlank);
        case P::Bracket:
            return Message(UserText::ExtensionBracket);
        case P::Reserved:
            return Message(UserText::ExtensionReserved);
    }
    return {};
}

}  // namespace

bool NewFormatDialog::RefuseAnswer() {
    // The table holds the extension as the program's 8-bit text.
    const QString refusal =
        Refusal(torvane::CheckExtension(extensionEdit_->text().toLocal8Bit().toStdString()));
    if (refusal.isEmpty()) {
        return false;
    }
    dialogs_.MessageBox(this, QStringLiteral("Torvane"), refusal, TDialogs::Buttons::Ok,
                        TDialogs::Icon::None);
    return true;
}

void NewFormatDialog::onOkClicked() {
    if (!RefuseAnswer()) {
        accept();
    }
}

void NewFormatDialog::reject() {
    if (extensionEdit_->text().isEmpty() || !RefuseAnswer()) {
        QDialog::reject();
    }
}
