// The two about windows, Spanish (TForm3) and English (TForm4), and the form
// they share: a fixed-size window holding one read-only text box with the
// about text, line by line.
#pragma once

#include <QDialog>
#include <QStringList>

// The Spanish about window.
class TForm3 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm3(QWidget* parent = nullptr);
    static QStringList AboutLines();
};

// The English about window.
class TForm4 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm4(QWidget* parent = nullptr);
    static QStringList AboutLines();
};

void SetUpAboutWindow(QDialog& window, const QString& caption, const QStringList& lines);

// A rule line of the about texts.
QString AboutRule();

// The four further web sites both about texts list, indented.
QStringList AboutOtherWebs();
