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

TForm2::TForm2(TDialogs& dialogs, QWidget* parent) : QDialog(parent), dialogs_(dialogs) {
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Nuevo Formato Detectado"));
    setFont(NearestSansFont(12));
    resize(434, 149);

    label1_ = new QLabel(QStringLiteral("Nuevos Formatos"), this);
    label1_->setObjectName(QStringLiteral("Label1"));
    label1_->move(8, 8);
    label2_ = new QLabel(
        QStringLiteral("Escribe la extensión que será asociada a este tipo de tracks."), this);
    label2_->setObjectName(QStringLiteral("Label2"));
    label2_->move(8, 40);
    label3_ = new QLabel(QStringLiteral("Extensión de salida (Sin el punto)"), this);
    label3_->setObjectName(QStringLiteral("Label3"));
    label3_->move(8, 72);
    for (QLabel* label : {label1_, label2_, label3_}) {
        label->adjustSize();
    }

    edit1_ = new QLineEdit(this);
    edit1_->setObjectName(QStringLiteral("Edit1"));
    edit1_->setGeometry(192, 69, 57, 21);

    bitBtn1_ = new QPushButton(QStringLiteral("OK"), this);
    bitBtn1_->setObjectName(QStringLiteral("BitBtn1"));
    bitBtn1_->setGeometry(304, 64, 113, 33);
    bitBtn1_->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    bitBtn1_->setDefault(true);
    bitBtn1_->setAutoDefault(true);
    connect(bitBtn1_, &QPushButton::clicked, this, [this] { BitBtn1Click(); });

    setTabOrder(edit1_, bitBtn1_);
    ArrangeControls();
}

void TForm2::ArrangeControls() {
    // The box stands right of its label; a language whose label is longer
    // than the design's pushes the box along instead of covering the text.
    edit1_->move(std::max(192, label3_->geometry().right() + 6), 69);
    // The dialog is resizable: it widens rather than cut a long sentence.
    int need = 0;
    for (QLabel* label : {label1_, label2_, label3_}) {
        need = std::max(need, label->geometry().right() + 9);
    }
    if (need > width()) {
        resize(need, height());
    }
}

void TForm2::SetLabel1Text(const QString& text) {
    label1_->setText(text);
    label1_->adjustSize();
    ArrangeControls();
}

QString TForm2::Extension() const {
    return edit1_->text();
}

void TForm2::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    FormShow();
}

void TForm2::FormShow() {
    ArrangeControls();
    CentreOnScreen(*this);
    edit1_->clear();
    edit1_->setFocus();
}

void TForm2::keyPressEvent(QKeyEvent* event) {
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
            return Message(TMessage::ExtensionTooLong);
        case P::Blank:
            return Message(TMessage::ExtensionBlank);
        case P::Bracket:
            return Message(TMessage::ExtensionBracket);
        case P::Reserved:
            return Message(TMessage::ExtensionReserved);
    }
    return {};
}

}  // namespace

bool TForm2::RefuseAnswer() {
    // The table holds the extension as the program's 8-bit text.
    const QString refusal =
        Refusal(torvane::CheckExtension(edit1_->text().toLocal8Bit().toStdString()));
    if (refusal.isEmpty()) {
        return false;
    }
    dialogs_.MessageBox(this, QStringLiteral("Torvane"), refusal, TDialogs::Buttons::Ok,
                        TDialogs::Icon::None);
    return true;
}

void TForm2::BitBtn1Click() {
    if (!RefuseAnswer()) {
        accept();
    }
}

void TForm2::reject() {
    if (edit1_->text().isEmpty() || !RefuseAnswer()) {
        QDialog::reject();
    }
}
