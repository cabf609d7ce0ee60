#include "NewFormat.h"

#include <QApplication>
#include <QFont>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <algorithm>

#include "Dialogs.h"
#include "Placement.h"

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

void TForm2::BitBtn1Click() {
    if (!edit1_->text().isEmpty()) {
        accept();
        return;
    }
    dialogs_.MessageBox(this, QStringLiteral("Torvane"),
                        QStringLiteral("Por favor, escribe una extensión en el recuadro."),
                        TDialogs::Buttons::Ok, TDialogs::Icon::None);
}
