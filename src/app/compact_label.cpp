#include "compact_label.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

namespace q9::app {

namespace {

// Where the baseline sits below a line's top, as a share of the em: the CJK ideographs fill the
// em square, whose top is about 0.88 em above the baseline.
constexpr double kEmAscent = 0.88;
// The boxes were sized for a face with half-width Latin letters; where this face runs wider, a
// single line is narrowed down to this stretch at most rather than cut off.
constexpr int kNarrowestStretch = 85;

QFont FittedFont(const QFont& font, const QString& text, qreal width) {
    const qreal natural = QFontMetricsF(font).horizontalAdvance(text);
    if (natural <= width || natural <= 0) return font;
    QFont narrowed = font;
    narrowed.setStretch(
        std::max(kNarrowestStretch, static_cast<int>(std::floor(100.0 * width / natural))));
    return narrowed;
}

}  // namespace

CompactLabel::CompactLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {}

void CompactLabel::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.setFont(font());
    const QPalette::ColorGroup group = isEnabled() ? QPalette::Active : QPalette::Disabled;
    painter.setPen(palette().color(group, foregroundRole()));

    const qreal em = QFontInfo(font()).pixelSize();
    QTextOption option;
    option.setWrapMode(wordWrap() ? QTextOption::WrapAtWordBoundaryOrAnywhere
                                  : QTextOption::NoWrap);
    qreal top = 0;
    const QStringList paragraphs = QString(text()).remove(QLatin1Char('\r')).split('\n');
    for (const QString& paragraph : paragraphs) {
        if (paragraph.isEmpty()) {
            top += em;
            continue;
        }
        const QFont face = wordWrap() ? font() : FittedFont(font(), paragraph, width());
        QTextLayout layout(paragraph, face);
        layout.setTextOption(option);
        layout.beginLayout();
        for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
            line.setLineWidth(width());
            line.setPosition(QPointF(0, top + em * kEmAscent - line.ascent()));
            top += em;
        }
        layout.endLayout();
        layout.draw(&painter, QPointF(0, 0));
    }
}

}  // namespace q9::app
