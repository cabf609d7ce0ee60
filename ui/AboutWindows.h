// The two about windows, Spanish (SpanishAboutWindow) and English (EnglishAboutWindow), and the
// form they share: a fixed-size window holding one read-only text box with the about text, line by
// line.
#pragma once

#include <QDialog>
#include <QStringList>

// The Spanish about window.
class SpanishAboutWindow : public QDialog {
    Q_OBJECT
  public:
    explicit SpanishAboutWindow(QWidget* parent = nullptr);
    static QStringList AboutLines();
};

// The English about window.
class EnglishAboutWindow : public QDialog {
    Q_OBJECT
  public:
    explicit EnglishAboutWindow(QWidget* parent = nullptr);
    static QStringList AboutLines();
};

void SetUpAboutWindow(QDialog& window, const QString& caption, const QStringList& lines);

// A rule line of the about texts.
QString AboutRule();

// The four further web sites both about texts list, indented.
QStringList AboutOtherWebs();
