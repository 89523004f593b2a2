// Draws the fifteen operation icons into resources/operations/filters/.
// Build and run (from the source root):
//   g++ -std=c++17 -fPIC scripts/make_operation_icons.cpp -o /tmp/make_icons \
//       $(pkg-config --cflags --libs Qt5Gui) && QT_QPA_PLATFORM=offscreen /tmp/make_icons
// Each icon is a rounded tile in its category's colour with a white glyph,
// drawn at 96 x 96 with thick strokes so that it reads at 60 x 60 too.
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <cstdio>

static const int S = 96;

static void tile(QPainter &p, QColor top, QColor bottom)
{
    QLinearGradient g(0, 0, 0, S);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    p.setPen(QPen(bottom.darker(130), 2));
    p.setBrush(g);
    p.drawRoundedRect(QRectF(3, 3, S - 6, S - 6), 16, 16);
}

static QPen pen(qreal width, QColor color = Qt::white)
{
    return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

static void picture(QPainter &p, QRectF r, qreal alpha)
{
    // A framed landscape: sun and two hills.
    p.setOpacity(alpha);
    p.setPen(pen(5));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r, 4, 4);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(r.left() + r.width() * 0.3, r.top() + r.height() * 0.32), r.width() * 0.1,
                  r.width() * 0.1);
    QPainterPath hills;
    hills.moveTo(r.left() + 4, r.bottom() - 4);
    hills.lineTo(r.left() + r.width() * 0.38, r.top() + r.height() * 0.5);
    hills.lineTo(r.left() + r.width() * 0.55, r.top() + r.height() * 0.68);
    hills.lineTo(r.left() + r.width() * 0.72, r.top() + r.height() * 0.42);
    hills.lineTo(r.right() - 4, r.bottom() - 4);
    hills.closeSubpath();
    p.drawPath(hills);
    p.setOpacity(1);
}

static void letter(QPainter &p, const QString &text, QRectF r, qreal alpha, int size)
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(size);
    font.setBold(true);
    p.setFont(font);
    p.setOpacity(alpha);
    p.setPen(Qt::white);
    p.drawText(r, Qt::AlignCenter, text);
    p.setOpacity(1);
}

static void arrowHead(QPainter &p, QPointF tip, qreal angleDeg, qreal size)
{
    const qreal a = angleDeg * M_PI / 180;
    QPointF back(tip.x() - size * std::cos(a), tip.y() - size * std::sin(a));
    QPointF n(-std::sin(a) * size * 0.6, std::cos(a) * size * 0.6);
    QPolygonF head;
    head << tip << back + n << back - n;
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawPolygon(head);
}

static void draw(QPainter &p, const QString &name)
{
    const QColor image1(70, 140, 230), image2(30, 80, 170);
    const QColor color1(250, 160, 60), color2(210, 90, 20);
    const QColor stamp1(90, 190, 110), stamp2(30, 120, 60);
    const QColor water1(60, 190, 200), water2(20, 120, 140);
    p.setBrush(Qt::NoBrush);
    if (name == "crop") {
        tile(p, image1, image2);
        p.setPen(pen(8));
        p.drawPolyline(QPolygonF() << QPointF(30, 16) << QPointF(30, 66) << QPointF(80, 66));
        p.drawPolyline(QPolygonF() << QPointF(16, 30) << QPointF(66, 30) << QPointF(66, 80));
    } else if (name == "flip") {
        tile(p, image1, image2);
        p.setPen(QPen(Qt::white, 4, Qt::DashLine, Qt::FlatCap));
        p.drawLine(48, 14, 48, 82);
        p.setPen(pen(4));
        p.setBrush(Qt::white);
        p.drawPolygon(QPolygonF() << QPointF(40, 24) << QPointF(40, 72) << QPointF(14, 72));
        p.setBrush(Qt::NoBrush);
        p.drawPolygon(QPolygonF() << QPointF(56, 24) << QPointF(56, 72) << QPointF(82, 72));
    } else if (name == "resize") {
        tile(p, image1, image2);
        p.setPen(pen(5));
        p.drawRect(QRectF(16, 16, 64, 64));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(16, 52, 28, 28));
        p.setBrush(Qt::NoBrush);
        p.setPen(pen(6));
        p.drawLine(QPointF(50, 46), QPointF(68, 28));
        arrowHead(p, QPointF(74, 22), -45, 16);
    } else if (name == "roll") {
        tile(p, image1, image2);
        p.setPen(pen(5));
        p.drawRect(QRectF(16, 26, 64, 44));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(16, 26, 18, 44));
        p.setBrush(Qt::NoBrush);
        p.setPen(pen(6));
        p.drawLine(QPointF(42, 48), QPointF(66, 48));
        arrowHead(p, QPointF(76, 48), 0, 14);
    } else if (name == "rotate") {
        tile(p, image1, image2);
        p.setPen(pen(8));
        p.drawArc(QRectF(20, 20, 56, 56), 100 * 16, 280 * 16);
        arrowHead(p, QPointF(46, 20), 180, 18);
    } else if (name == "auto_contrast") {
        tile(p, color1, color2);
        p.setPen(pen(5));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(20, 20, 56, 56));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 30, 10));
        p.drawPie(QRectF(22.5, 22.5, 51, 51), 90 * 16, 180 * 16);
        letter(p, QStringLiteral("A"), QRectF(54, 52, 40, 40), 1, 26);
    } else if (name == "coloration") {
        tile(p, color1, color2);
        QPainterPath drop;
        drop.moveTo(48, 14);
        drop.cubicTo(48, 14, 20, 46, 20, 60);
        drop.arcTo(QRectF(20, 32, 56, 56), 180, 180);
        drop.cubicTo(76, 46, 48, 14, 48, 14);
        p.setPen(pen(5));
        p.setBrush(QColor(255, 235, 120));
        p.drawPath(drop);
    } else if (name == "equalize") {
        tile(p, color1, color2);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        const int h[] = {34, 48, 40, 52, 44};
        for (int i = 0; i < 5; i++)
            p.drawRect(QRectF(16 + i * 13, 78 - h[i], 10, h[i]));
        p.setPen(pen(4));
        p.drawLine(14, 80, 82, 80);
    } else if (name == "gray") {
        tile(p, color1, color2);
        p.setPen(pen(4));
        for (int i = 0; i < 4; i++) {
            const int v = 40 + i * 70;
            p.setBrush(QColor(std::min(v, 255), std::min(v, 255), std::min(v, 255)));
            p.drawRect(QRectF(16 + (i % 2) * 32, 16 + (i / 2) * 32, 32, 32));
        }
    } else if (name == "negative") {
        tile(p, color1, color2);
        p.setPen(pen(5));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(18, 18, 60, 60));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(40, 20, 10));
        p.drawPolygon(QPolygonF() << QPointF(78, 18) << QPointF(78, 78) << QPointF(18, 78));
        p.setBrush(QColor(40, 20, 10));
        p.drawEllipse(QPointF(38, 38), 9, 9);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(58, 58), 9, 9);
    } else if (name == "swap_colors") {
        tile(p, color1, color2);
        p.setPen(pen(3));
        p.setBrush(QColor(235, 50, 50));
        p.drawEllipse(QPointF(30, 32), 14, 14);
        p.setBrush(QColor(60, 200, 70));
        p.drawEllipse(QPointF(66, 32), 14, 14);
        p.setBrush(QColor(60, 110, 240));
        p.drawEllipse(QPointF(48, 66), 14, 14);
        p.setBrush(Qt::NoBrush);
        p.setPen(pen(5));
        p.drawArc(QRectF(26, 8, 44, 30), 30 * 16, 120 * 16);
        arrowHead(p, QPointF(68, 16), 60, 12);
    } else if (name == "stamp_text") {
        tile(p, stamp1, stamp2);
        p.setPen(pen(5));
        p.drawRoundedRect(QRectF(14, 20, 68, 56), 6, 6);
        letter(p, QStringLiteral("T"), QRectF(14, 20, 68, 56), 1, 48);
    } else if (name == "stamp_image") {
        tile(p, stamp1, stamp2);
        picture(p, QRectF(14, 20, 68, 56), 1);
    } else if (name == "watermark_text") {
        tile(p, water1, water2);
        letter(p, QStringLiteral("T"), QRectF(8, 6, 80, 70), 0.55, 64);
        p.setPen(pen(5));
        QPainterPath wave;
        wave.moveTo(14, 78);
        for (int i = 0; i < 4; i++)
            wave.quadTo(22 + i * 17, 70 + (i % 2) * 16, 31 + i * 17, 78);
        p.drawPath(wave);
    } else if (name == "watermark_image") {
        tile(p, water1, water2);
        picture(p, QRectF(14, 14, 68, 52), 0.55);
        p.setPen(pen(5));
        QPainterPath wave;
        wave.moveTo(14, 78);
        for (int i = 0; i < 4; i++)
            wave.quadTo(22 + i * 17, 70 + (i % 2) * 16, 31 + i * 17, 78);
        p.drawPath(wave);
    }
}

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const char *names[] = {"crop",        "flip",           "resize",         "roll",
                           "rotate",      "auto_contrast",  "coloration",     "equalize",
                           "gray",        "negative",       "swap_colors",    "stamp_text",
                           "stamp_image", "watermark_text", "watermark_image"};
    const QString dir =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("resources/operations/filters");
    QDir().mkpath(dir);
    for (const char *name : names) {
        QImage image(S, S, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        draw(p, QString::fromLatin1(name));
        p.end();
        const QString path = dir + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
        if (!image.save(path)) {
            fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
