#include "Unit3.h"

#include "AboutWindow.h"
#include "WebLinks.h"

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("Form3"));
    SetUpAboutWindow(*this, QStringLiteral("Acerca de..."), AboutLines());
}

QStringList TForm3::AboutLines() {
    const QString rule = AboutRule();
    QStringList lines{
        QString(),
        QStringLiteral("Torvane 1.5.1.1"),
        QString(),
        rule,
        QString(),
        QStringLiteral("Torvane: ventana para las herramientas ostrem y quarvel."),
        QStringLiteral("Programa y herramientas: el equipo de Torvane."),
        QStringLiteral("Construido con Qt, FFmpeg y zlib."),
        QString(),
        rule,
        QStringLiteral("IMPORTANTE"),
        QString(),
        QStringLiteral("quarvel.exe y ostrem.exe deben hallarse en la misma "),
        QStringLiteral("carpeta que Torvane.exe."),
        QString(),
        rule,
        QStringLiteral("USO"),
        QString(),
        QStringLiteral("Torvane facilita la extracción de vídeo, audio, subtítulos, attachments y "
                       "tags"),
        QString(),
        QStringLiteral("El listado de capítulos puede ser extraído en formato .xml (matroska) o "
                       "texto simple .txt (como el formato para OGM)."),
        QString(),
        QStringLiteral("Elige tu fichero matroska (.mkv, .mka, .mks) y la carpeta de salida, "
                       "selecciona los archivos que quieras y pulsa \"Extraer\"."),
        QString(),
        rule,
        QStringLiteral("AGRADECIMIENTOS"),
        QString(),
        QStringLiteral("A quienes escribieron los estándares abiertos de EBML y Matroska."),
        QString(),
        QStringLiteral("A quienes prueban Torvane y nos cuentan lo que falla."),
        QString(),
        rule,
        QStringLiteral("Documentación de Torvane: README, en el menú Ayuda"),
        QStringLiteral("Web del formato Matroska: ") + QString::fromLatin1(kFormatPage),
        QString(),
        QStringLiteral("OTRAS WEBS:"),
    };
    lines << AboutOtherWebs();
    lines << QStringList{
        QString(),
        QString(),
        QStringLiteral("        El equipo de Torvane, diciembre de 2026"),
    };
    return lines;
}
