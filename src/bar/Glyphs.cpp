#include "bar/Glyphs.h"

#include <QIconEngine>
#include <QPainter>
#include <QPainterPath>

namespace Glyphs {
namespace {

void drawMenuList(QPainter &p, const QRectF &r)
{
    // A list of menu lines with an arrow pointer over it.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(250, 250, 250));
    p.drawRect(QRectF(r.left() + 1, r.top() + 1, r.width() * 0.7, r.height() * 0.75));
    p.setBrush(QColor(30, 30, 120));
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(r.left() + 3, r.top() + 3 + i * r.height() * 0.16, r.width() * 0.5, r.height() * 0.07));
    QPainterPath arrow;
    const qreal x = r.left() + r.width() * 0.5, y = r.top() + r.height() * 0.45;
    const qreal s = r.width() * 0.5;
    arrow.moveTo(x, y);
    arrow.lineTo(x, y + s);
    arrow.lineTo(x + s * 0.3, y + s * 0.72);
    arrow.lineTo(x + s * 0.5, y + s * 1.0);
    arrow.lineTo(x + s * 0.62, y + s * 0.92);
    arrow.lineTo(x + s * 0.44, y + s * 0.66);
    arrow.lineTo(x + s * 0.78, y + s * 0.66);
    arrow.closeSubpath();
    p.setBrush(Qt::white);
    p.setPen(QPen(Qt::black, r.width() / 18.0));
    p.drawPath(arrow);
}

void drawGrid(QPainter &p, const QRectF &r, int n)
{
    const qreal gap = r.width() / 16.0;
    const qreal cell = (r.width() - gap * (n + 1)) / n;
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 40, 40));
    p.drawRect(r);
    p.setBrush(QColor(90, 160, 230));
    for (int row = 0; row < n; ++row)
        for (int col = 0; col < n; ++col)
            p.drawRect(QRectF(r.left() + gap + col * (cell + gap), r.top() + gap + row * (cell + gap), cell, cell));
}

void drawPlay(QPainter &p, const QRectF &r)
{
    QPainterPath triangle;
    triangle.moveTo(r.left() + r.width() * 0.2, r.top() + r.height() * 0.1);
    triangle.lineTo(r.right() - r.width() * 0.1, r.center().y());
    triangle.lineTo(r.left() + r.width() * 0.2, r.bottom() - r.height() * 0.1);
    triangle.closeSubpath();
    p.setPen(QPen(QColor(0, 100, 0), r.width() / 16.0));
    p.setBrush(QColor(0, 200, 0));
    p.drawPath(triangle);
}

void drawClose(QPainter &p, const QRectF &r)
{
    p.fillRect(r, QColor(192, 192, 192));
    p.setPen(QPen(Qt::black, r.width() / 7.0, Qt::SolidLine, Qt::SquareCap));
    const QRectF in = r.adjusted(r.width() * 0.28, r.height() * 0.25, -r.width() * 0.28, -r.height() * 0.25);
    p.drawLine(in.topLeft(), in.bottomRight());
    p.drawLine(in.topRight(), in.bottomLeft());
}

class GlyphEngine : public QIconEngine
{
public:
    explicit GlyphEngine(BarLayout::Glyph glyph) : m_glyph(glyph) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State) override
    {
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        if (mode == QIcon::Disabled)
            painter->setOpacity(0.4);
        const QRectF r(rect);
        switch (m_glyph) {
        case BarLayout::Glyph::MenuList: drawMenuList(*painter, r); break;
        case BarLayout::Glyph::Grid2: drawGrid(*painter, r, 2); break;
        case BarLayout::Glyph::Grid3: drawGrid(*painter, r, 3); break;
        case BarLayout::Glyph::Play: drawPlay(*painter, r); break;
        case BarLayout::Glyph::Close: drawClose(*painter, r); break;
        case BarLayout::Glyph::None: break;
        }
        painter->restore();
    }

    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        QPixmap pm(size);
        pm.fill(Qt::transparent);
        QPainter painter(&pm);
        paint(&painter, QRect(QPoint(0, 0), size), mode, state);
        return pm;
    }

    QIconEngine *clone() const override { return new GlyphEngine(m_glyph); }

private:
    BarLayout::Glyph m_glyph;
};

} // namespace

QIcon icon(BarLayout::Glyph glyph, const QSize &)
{
    // QIcon takes ownership of its engine.
    return QIcon(new GlyphEngine(glyph));
}

} // namespace Glyphs
