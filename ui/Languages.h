// The two interface languages as one table: which text goes on which
// component of which window. Applying a language walks the table in order.
#pragma once

#include <QString>
#include <array>

class QObject;
class QWidget;

enum class TLanguage { Spanish, English };

enum class TTextProperty { MenuCaption, Caption, Hint };

struct TLanguageRow {
    const char* window;     // "Form1" or "Form2"
    const char* component;  // object name; empty for the window itself
    TTextProperty property;
    const char16_t* spanish;
    const char16_t* english;
};

inline constexpr std::size_t kLanguageRows = 39;
extern const std::array<TLanguageRow, kLanguageRows> kLanguageTable;

// The word the settings file holds for each language.
QString LanguageWord(TLanguage language);

// Sets every text of the table from the language's column, in table order.
// A component the table names but the windows lack is a programming error and
// throws torvane::Exception.
void ApplyLanguageTexts(TLanguage language, QWidget& mainWindow, QWidget& newFormatDialog);

// The text a component shows for a property: menu title or action text, label,
// button, group-box or tab caption, window title, or tooltip.
QString ComponentText(QObject& component, TTextProperty property);
void SetComponentText(QObject& component, TTextProperty property, const QString& text);

// Finds the component a row names inside its window (the window itself for an
// empty name); nullptr when there is none.
QObject* FindComponent(QWidget& window, const char* component);
