// The Spanish about window.
#pragma once

#include <QDialog>
#include <QStringList>

class TForm3 : public QDialog {
    Q_OBJECT
  public:
    explicit TForm3(QWidget* parent = nullptr);
    static QStringList AboutLines();
};
