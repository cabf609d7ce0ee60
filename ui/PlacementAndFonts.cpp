#include "ui/PlacementAndFonts.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QGuiApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>
#include <QWidget>
#include <algorithm>

void CentreOnScreen(QWidget& window) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->geometry();
    const QSize outer = window.frameGeometry().size();
    const int left = std::max(0, (area.width() - outer.width()) / 2);
    const int top = std::max(0, (area.height() - outer.height()) / 2);
    window.move(area.x() + left, area.y() + top);
}

QFont NearestSansFont(int pixelSize) {
    QFont font;
    // The design's faces first, then faces with the same metrics, then
    // whatever sans-serif face the platform offers.
    font.setFamilies({QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
                      QStringLiteral("Tahoma"), QStringLiteral("Arial"),
                      QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                      QStringLiteral("Helvetica"), QStringLiteral("DejaVu Sans")});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

QFont NearestMonoFont(int pixelSize) {
    QFont font;
    font.setFamilies({QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
                      QStringLiteral("Nimbus Mono PS"), QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPixelSize(pixelSize);
    return font;
}

namespace {

constexpr int kSmallestPixelSize = 7;
constexpr char kDesignPixelSize[] = "torvaneDesignPixelSize";

// Horizontal room for the caption, and what the caption needs in a font.
int TextRoom(QWidget& control) {
    QStyle* style = control.style();
    if (auto* button = qobject_cast<QPushButton*>(&control)) {
        QStyleOptionButton option;
        option.initFrom(button);
        option.rect = button->rect();
        return style->subElementRect(QStyle::SE_PushButtonContents, &option, button).width();
    }
    if (qobject_cast<QRadioButton*>(&control) != nullptr) {
        return control.width() -
               style->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth, nullptr, &control) -
               style->pixelMetric(QStyle::PM_RadioButtonLabelSpacing, nullptr, &control);
    }
    // A group box's title sits between its frame's corners.
    return control.width() - 16;
}

int TextNeed(QWidget& control, const QFont& font) {
    const QFontMetrics metrics(font);
    if (auto* button = qobject_cast<QAbstractButton*>(&control)) {
        int need = metrics.horizontalAdvance(button->text());
        if (qobject_cast<QPushButton*>(&control) != nullptr && !button->icon().isNull()) {
            need += button->iconSize().width() + 4;
        }
        return need;
    }
    if (auto* group = qobject_cast<QGroupBox*>(&control)) {
        return metrics.horizontalAdvance(group->title());
    }
    return 0;
}

}  // namespace

void FitTextToWidth(QWidget& control) {
    QVariant design = control.property(kDesignPixelSize);
    if (!design.isValid()) {
        design = QFontInfo(control.font()).pixelSize();
        control.setProperty(kDesignPixelSize, design);
    }
    QFont font = control.font();
    font.setPixelSize(design.toInt());
    const int room = TextRoom(control);
    while (TextNeed(control, font) > room && font.pixelSize() > kSmallestPixelSize) {
        font.setPixelSize(font.pixelSize() - 1);
    }
    control.setFont(font);
}
