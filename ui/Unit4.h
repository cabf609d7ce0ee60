// The English about window.
#pragma once

#include <QDialog>
#include <QStringList>

class TForm4 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm4(QWidget* parent = nullptr);
    static QStringList AboutLines();
};
