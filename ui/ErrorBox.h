// The program's error box, and the guard every handler of the windows runs
// in: an exception ends the user's action and its message is shown.
#pragma once

#include <QString>
#include <exception>

#include "ui/Dialogs.h"
#include "ui/Messages.h"

class QWidget;

// Turns an exception's message into the error box's text: a "." is added
// when the last character sorts after ".".
QString ErrorText(const QString& message);

// The error box over parent, with the message as ErrorText gives it.
void ShowErrorBox(TDialogs& dialogs, QWidget* parent, const QString& message);

// Runs an action the way every handler runs: an exception ends it and is
// shown in the error box over parent. Returns false when the action ended
// that way.
template <class F>
bool Guarded(TDialogs& dialogs, QWidget* parent, F&& action) {
    try {
        action();
        return true;
    } catch (const std::exception& error) {
        ShowErrorBox(dialogs, parent, QString::fromLocal8Bit(error.what()));
    } catch (...) {
        ShowErrorBox(dialogs, parent, Message(UserText::UnknownError));
    }
    return false;
}
