// The form both about windows share: a fixed-size window holding one read-only
// text box with the about text, line by line.
#pragma once

#include <QStringList>

class QDialog;

void SetUpAboutWindow(QDialog& window, const QString& caption, const QStringList& lines);

// A rule line of the about texts.
QString AboutRule();

// The four further web sites both about texts list, indented.
QStringList AboutOtherWebs();
