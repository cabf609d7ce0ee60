#include "ui/Languages.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QTabWidget>
#include <QWidget>
#include <cstring>

#include "core/Exception.h"
#include "ui/PlacementAndFonts.h"

namespace {
using P = TTextProperty;
}

// clang-format off
const std::array<TLanguageRow, kLanguageRows> kLanguageTable = {{
    {"Form1", "Archivo2", P::MenuCaption, u"Archivo", u"File"},
    {"Form1", "Salir1", P::MenuCaption, u"Salir", u"Exit"},
    {"Form1", "Archivo1", P::MenuCaption, u"Opciones", u"Options"},
    {"Form1", "Lenguaje1", P::MenuCaption, u"Lenguaje", u"Language"},
    {"Form1", "Espaol1", P::MenuCaption, u"Español", u"Spanish"},
    {"Form1", "Ingls1", P::MenuCaption, u"Inglés", u"English"},
    {"Form1", "Acercade1", P::MenuCaption, u"Ayuda", u"Help"},
    {"Form1", "Label2", P::Caption, u"Archivo Matroska", u"Matroska File"},
    {"Form1", "Edit1", P::Hint, u"Elige el archivo matroska a demultiplexar", u"Select a matroska file to demux"},
    {"Form1", "Label7", P::Caption, u"Directorio Salida", u"Select Ouput Folder"},
    {"Form1", "Edit2", P::Hint, u"Elige la carpeta donde serán extraídos los archivos", u"Select a folder where files will be extracted"},
    {"Form1", "Label3", P::Caption, u"Tracks / Attachments / Capítulos / Tags", u"Tracks / Attachments / Chapters / Tags"},
    {"Form1", "CheckListBox1", P::Hint, u"Listado de cadenas de vídeo, audio, capítulos y tags extraíbles", u"Video, audio, chapters and tags to demux list"},
    {"Form1", "Label1", P::Caption, u"Línea de Comandos (Tracks)", u"Commandline (Tracks)"},
    {"Form1", "LineaComandos", P::Hint, u"Línea de comandos para extraer los tracks", u"Commandline for track demuxing"},
    {"Form1", "Label8", P::Caption, u"Línea de Comandos (Attachments)", u"Commandline (Attachments)"},
    {"Form1", "LineaComandosAtt", P::Hint, u"Línea de comandos para extraer los attachments", u"Commandline for attachments demuxing"},
    {"Form1", "Button1", P::Caption, u"Seleccionar", u"Browse"},
    {"Form1", "Button4", P::Caption, u"Seleccionar", u"Browse"},
    {"Form1", "Button2", P::Caption, u"Marcar Todos", u"Check All"},
    {"Form1", "Button2", P::Hint, u"Marcar todos los archivos", u"Check all files"},
    {"Form1", "Button3", P::Caption, u"Desmarcar Todos", u"Uncheck All"},
    {"Form1", "Button3", P::Hint, u"Desmarcar todos los archivos", u"Uncheck all files"},
    {"Form1", "BitBtn1", P::Caption, u"Extraer", u"Extract"},
    {"Form1", "Acercade3", P::MenuCaption, u"Acerca de...", u"About..."},
    {"Form1", "TabSheet10", P::Caption, u"Capítulos", u"Chapters"},
    {"Form1", "Label11", P::Caption, u"Capítulos", u"Chapters"},
    {"Form1", "ChaptersMemo", P::Hint, u"Lista de capítulos", u"Chapters list"},
    {"Form1", "Label10", P::Caption, u"Línea de comandos (Capítulos)", u"Commandline (Chapters)"},
    {"Form1", "LineaComandosChapter", P::Hint, u"Línea de comandos para extraer el listado de capítulos", u"Commandline for chapters list demux"},
    {"Form1", "GroupBox3", P::Caption, u"Formato de salida de capítulos", u"Chapters Output Format"},
    {"Form1", "RadioButton1", P::Caption, u"XML (.xml)", u"XML (.xml)"},
    {"Form1", "RadioButton1", P::Hint, u"Capítulos en formato .xml (Matroska)", u".xml chapter format (Matroska)"},
    {"Form1", "RadioButton2", P::Caption, u"Formato OGG (.txt)", u"OGG format (.txt)"},
    {"Form1", "RadioButton2", P::Hint, u"Capítulos en formato simple .txt (Ogg, etc)", u"Simple .txt chapters format (Ogg, etc)"},
    {"Form2", "", P::Caption, u"Nuevo Formato Detectado", u"New Format Detected"},
    {"Form2", "Label1", P::Caption, u"Nuevo Formato", u"New Formats"},
    {"Form2", "Label2", P::Caption, u"Escribe la extensión que será asociada a este tipo de formato", u"Write the ouput extension that will be associated to this type of tracks:"},
    {"Form2", "Label3", P::Caption, u"Extensión de salida (SIN el punto)", u"Ouput extension (WITHOUT the dot)"},
}};
// clang-format on

QString LanguageWord(TLanguage language) {
    return language == TLanguage::Spanish ? QStringLiteral("Castellano")
                                          : QStringLiteral("English");
}

QObject* FindComponent(QWidget& window, const char* component) {
    if (component[0] == '\0') {
        return &window;
    }
    return window.findChild<QObject*>(QString::fromLatin1(component));
}

namespace {

// A tab's caption belongs to the tab widget that holds the page.
QTabWidget* OwningTabs(QWidget& page, int& index) {
    for (QWidget* w = page.parentWidget(); w != nullptr; w = w->parentWidget()) {
        if (auto* tabs = qobject_cast<QTabWidget*>(w)) {
            index = tabs->indexOf(&page);
            if (index >= 0) {
                return tabs;
            }
        }
    }
    return nullptr;
}

}  // namespace

QString ComponentText(QObject& component, TTextProperty property) {
    if (property == TTextProperty::Hint) {
        if (auto* w = qobject_cast<QWidget*>(&component)) {
            return w->toolTip();
        }
        return {};
    }
    if (auto* menu = qobject_cast<QMenu*>(&component)) {
        return menu->title();
    }
    if (auto* action = qobject_cast<QAction*>(&component)) {
        return action->text();
    }
    if (auto* label = qobject_cast<QLabel*>(&component)) {
        return label->text();
    }
    if (auto* button = qobject_cast<QAbstractButton*>(&component)) {
        return button->text();
    }
    if (auto* group = qobject_cast<QGroupBox*>(&component)) {
        return group->title();
    }
    if (auto* w = qobject_cast<QWidget*>(&component)) {
        int index = -1;
        if (QTabWidget* tabs = OwningTabs(*w, index)) {
            return tabs->tabText(index);
        }
        return w->windowTitle();
    }
    return {};
}

void SetComponentText(QObject& component, TTextProperty property, const QString& text) {
    if (property == TTextProperty::Hint) {
        if (auto* w = qobject_cast<QWidget*>(&component)) {
            w->setToolTip(text);
        }
        return;
    }
    if (auto* menu = qobject_cast<QMenu*>(&component)) {
        menu->setTitle(text);
    } else if (auto* action = qobject_cast<QAction*>(&component)) {
        action->setText(text);
    } else if (auto* label = qobject_cast<QLabel*>(&component)) {
        label->setText(text);
        // Labels size themselves to their text.
        label->adjustSize();
    } else if (auto* button = qobject_cast<QAbstractButton*>(&component)) {
        button->setText(text);
        FitTextToWidth(*button);
    } else if (auto* group = qobject_cast<QGroupBox*>(&component)) {
        group->setTitle(text);
        FitTextToWidth(*group);
    } else if (auto* w = qobject_cast<QWidget*>(&component)) {
        int index = -1;
        if (QTabWidget* tabs = OwningTabs(*w, index)) {
            tabs->setTabText(index, text);
        } else {
            w->setWindowTitle(text);
        }
    }
}

void ApplyLanguageTexts(TLanguage language, QWidget& mainWindow, QWidget& newFormatDialog) {
    for (const TLanguageRow& row : kLanguageTable) {
        QWidget& window = std::strcmp(row.window, "Form1") == 0 ? mainWindow : newFormatDialog;
        QObject* component = FindComponent(window, row.component);
        if (component == nullptr) {
            throw torvane::Exception(std::string("Missing component ") + row.window + "." +
                                     row.component);
        }
        const char16_t* text = language == TLanguage::Spanish ? row.spanish : row.english;
        SetComponentText(*component, row.property, QString::fromUtf16(text));
    }
}
