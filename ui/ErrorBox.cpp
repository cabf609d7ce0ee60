#include "ui/ErrorBox.h"

#include <QLatin1Char>
#include <QStringLiteral>

QString ErrorText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.')) {
        return message + QLatin1Char('.');
    }
    return message;
}

void ShowErrorBox(TDialogs& dialogs, QWidget* parent, const QString& message) {
    dialogs.MessageBox(parent, QStringLiteral("Torvane"), ErrorText(message), TDialogs::Buttons::Ok,
                       TDialogs::Icon::Critical);
}
