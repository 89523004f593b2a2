// Draws every image of the default skin into one folder (the skin's style/
// folder): title-bar buttons, message-box badges, check box and radio states,
// scroll-bar arrows and thumbs, spin-box and combo arrows, indicators, tree
// branches, tab close buttons, the slider knob and the status-bar background.
// The PNGs are committed; run `zv_draw_skin <folder>` again only to change
// their look. Shapes sit on half pixels so that 1-px lines stay sharp.
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cstdio>
#include <functional>

namespace
{

QString g_out;
int g_failures = 0;

// The palette shared with style.qss.
const QColor kInk(0x2C, 0x4F, 0x68);   // glyphs on the title band
const QColor kGlyph(0x4F, 0x7A, 0x96); // arrows at rest
const QColor kGlyphHover(0x2B, 0x6F, 0xAE);
const QColor kGlyphPressed(0x1F, 0x3E, 0x53);
const QColor kLine(0x97, 0xBA, 0xD0);   // light borders
const QColor kDark(0x43, 0x75, 0x96);   // dark borders
const QColor kAccent(0x2B, 0x6F, 0xAE); // check marks and dots
const QColor kDisabledLine(0xC8, 0xD6, 0xDF);
const QColor kDisabledFill(0xEE, 0xF2, 0xF4);
const QColor kDisabledInk(0xA9, 0xBB, 0xC7);

void save(const QImage &image, const char *name)
{
    const QString path = g_out + QLatin1Char('/') + QLatin1String(name) + QStringLiteral(".png");
    if (!image.save(path, "PNG")) {
        std::fprintf(stderr, "drawskin: writing %s FAILED!\n", qPrintable(path));
        ++g_failures;
    }
}

// draw(name, w, h, painter): one transparent image drawn with antialiasing.
void draw(const char *name, int w, int h, const std::function<void(QPainter &)> &paint)
{
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    p.end();
    save(image, name);
}

QLinearGradient vertical(qreal y0, qreal y1, const QColor &top, const QColor &bottom)
{
    QLinearGradient g(0, y0, 0, y1);
    g.setColorAt(0, top);
    g.setColorAt(1, bottom);
    return g;
}

QLinearGradient horizontal(qreal x0, qreal x1, const QColor &left, const QColor &right)
{
    QLinearGradient g(x0, 0, x1, 0);
    g.setColorAt(0, left);
    g.setColorAt(1, right);
    return g;
}

// A filled triangle pointing in a direction ('u', 'd', 'l', 'r'), centred on
// (cx, cy), `base` wide across and `depth` deep along the direction.
void triangle(QPainter &p, qreal cx, qreal cy, qreal base, qreal depth, char dir,
              const QColor &color)
{
    QPolygonF t;
    const qreal b = base / 2, d = depth / 2;
    switch (dir) {
    case 'u':
        t << QPointF(cx - b, cy + d) << QPointF(cx + b, cy + d) << QPointF(cx, cy - d);
        break;
    case 'd':
        t << QPointF(cx - b, cy - d) << QPointF(cx + b, cy - d) << QPointF(cx, cy + d);
        break;
    case 'l':
        t << QPointF(cx + d, cy - b) << QPointF(cx + d, cy + b) << QPointF(cx - d, cy);
        break;
    default:
        t << QPointF(cx - d, cy - b) << QPointF(cx - d, cy + b) << QPointF(cx + d, cy);
        break;
    }
    p.setPen(Qt::NoPen);
    p.setBrush(color);
    p.drawPolygon(t);
}

// ---- Title-bar buttons: 18 px high, glyphs on whole pixels. ----------------

void titleHover(QPainter &p, int w)
{
    p.setPen(QPen(kLine, 1));
    p.setBrush(vertical(0, 18, QColor(0xF4, 0xF9, 0xFC), QColor(0xD8, 0xE9, 0xF4)));
    p.drawRoundedRect(QRectF(0.5, 0.5, w - 1, 17), 3, 3);
}

void titleButton(const char *name, int w, const std::function<void(QPainter &)> &glyph)
{
    draw(name, w, 18, [&](QPainter &p) { glyph(p); });
    const QByteArray hover = QByteArray(name) + "_hover";
    draw(hover.constData(), w, 18, [&](QPainter &p) {
        titleHover(p, w);
        glyph(p);
    });
}

// A window outline: 1-px sides and a 2-px caption edge, on whole pixels.
void windowFrame(QPainter &p, int x0, int y0, int x1, int y1)
{
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::NoPen);
    p.setBrush(kInk);
    p.drawRect(x0, y0, x1 - x0 + 1, 2);
    p.drawRect(x0, y0, 1, y1 - y0 + 1);
    p.drawRect(x1, y0, 1, y1 - y0 + 1);
    p.drawRect(x0, y1, x1 - x0 + 1, 1);
    p.setRenderHint(QPainter::Antialiasing, true);
}

void drawTitleButtons()
{
    titleButton("win_minimize", 19, [](QPainter &p) { p.fillRect(QRect(5, 11, 9, 2), kInk); });
    titleButton("win_maximum", 19, [](QPainter &p) { windowFrame(p, 5, 4, 13, 12); });
    titleButton("win_restore", 19, [](QPainter &p) {
        // The window behind shows only where the one in front leaves it.
        p.fillRect(QRect(7, 2, 8, 2), kInk);
        p.fillRect(QRect(14, 2, 1, 8), kInk);
        p.fillRect(QRect(12, 9, 3, 1), kInk);
        p.fillRect(QRect(7, 2, 1, 4), kInk);
        windowFrame(p, 4, 6, 11, 13);
    });
    titleButton("win_full", 22, [](QPainter &p) {
        // Four corners, as of a frame around the whole screen.
        const QRect bars[] = {{5, 4, 4, 2},  {5, 4, 2, 4},  {13, 4, 4, 2},  {15, 4, 2, 4},
                              {5, 12, 4, 2}, {5, 10, 2, 4}, {13, 12, 4, 2}, {15, 10, 2, 4}};
        for (const QRect &r : bars)
            p.fillRect(r, kInk);
    });

    auto cross = [](QPainter &p, const QColor &color) {
        p.setPen(QPen(color, 1.7, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(6.5, 5.5), QPointF(13.5, 12.5));
        p.drawLine(QPointF(13.5, 5.5), QPointF(6.5, 12.5));
    };
    draw("win_close", 20, 18, [&](QPainter &p) { cross(p, kInk); });
    // The close button turns red under the pointer, as users know it.
    draw("win_close_hover", 20, 18, [&](QPainter &p) {
        p.setPen(QPen(QColor(0xB0, 0x3A, 0x32), 1));
        p.setBrush(vertical(0, 18, QColor(0xE8, 0x6F, 0x66), QColor(0xC9, 0x43, 0x3A)));
        p.drawRoundedRect(QRectF(0.5, 0.5, 19, 17), 3, 3);
        cross(p, Qt::white);
    });
}

// ---- Message-box badges: 48 x 48, lit from above. --------------------------

void badgeBody(QPainter &p, const QPainterPath &shape, const QColor &light, const QColor &dark,
               const QColor &edge)
{
    p.setPen(QPen(edge, 1.5));
    p.setBrush(vertical(2, 46, light, dark));
    p.drawPath(shape);
    // A soft gloss over the upper half.
    QPainterPath gloss;
    gloss.addEllipse(QRectF(10, 5, 28, 16));
    QLinearGradient g = vertical(5, 21, QColor(255, 255, 255, 110), QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawPath(gloss.intersected(shape));
}

QPainterPath circleShape()
{
    QPainterPath path;
    path.addEllipse(QRectF(3.25, 3.25, 41.5, 41.5));
    return path;
}

void drawBadges()
{
    const QColor blueLight(0x74, 0xB6, 0xE8), blueDark(0x2B, 0x6F, 0xAE),
        blueEdge(0x24, 0x5E, 0x93);
    draw("msg_info", 48, 48, [&](QPainter &p) {
        badgeBody(p, circleShape(), blueLight, blueDark, blueEdge);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(20.75, 10, 6.5, 6.5));
        // A serif letter i: the stem with a flag on the left and a foot.
        p.drawRect(QRectF(21, 20, 6, 15));
        p.drawRect(QRectF(18, 20, 3, 3));
        p.drawRoundedRect(QRectF(17.5, 34, 13, 3.5), 1, 1);
    });
    draw("msg_question", 48, 48, [&](QPainter &p) {
        badgeBody(p, circleShape(), blueLight, blueDark, blueEdge);
        QPainterPath hook;
        hook.moveTo(17.5, 18.5);
        hook.arcTo(QRectF(17.5, 10.5, 13, 13), 180, -250);
        hook.cubicTo(QPointF(26.5, 25.5), QPointF(24, 26.5), QPointF(24, 30));
        p.setPen(QPen(Qt::white, 4.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(hook);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(24, 36.5), 3, 3);
    });
    draw("msg_error", 48, 48, [&](QPainter &p) {
        badgeBody(p, circleShape(), QColor(0xF0, 0x7E, 0x73), QColor(0xC2, 0x3A, 0x30),
                  QColor(0xA3, 0x30, 0x2A));
        p.setPen(QPen(Qt::white, 5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(16.5, 16.5), QPointF(31.5, 31.5));
        p.drawLine(QPointF(31.5, 16.5), QPointF(16.5, 31.5));
    });
    draw("msg_warn", 48, 48, [&](QPainter &p) {
        QPainterPath shape;
        shape.moveTo(24, 4.5);
        shape.lineTo(44.5, 42);
        shape.lineTo(3.5, 42);
        shape.closeSubpath();
        QPainterPathStroker rounder;
        rounder.setWidth(3);
        rounder.setJoinStyle(Qt::RoundJoin);
        shape = shape.united(rounder.createStroke(shape)).simplified();
        badgeBody(p, shape, QColor(0xFF, 0xC8, 0x5E), QColor(0xE8, 0x8D, 0x12),
                  QColor(0xBF, 0x72, 0x10));
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        QPainterPath bar;
        bar.moveTo(21, 16);
        bar.lineTo(27, 16);
        bar.lineTo(25.6, 31);
        bar.lineTo(22.4, 31);
        bar.closeSubpath();
        p.drawPath(bar);
        p.drawEllipse(QPointF(24, 36), 2.8, 2.8);
    });
}

// ---- Check boxes and radio buttons: 13 x 13. -------------------------------

struct BoxLook {
    QColor line, top, bottom, mark;
};

const BoxLook kBoxNormal = {QColor(0x7F, 0xA3, 0xBC), Qt::white, QColor(0xE3, 0xEC, 0xF1), kAccent};
const BoxLook kBoxHover = {kDark, Qt::white, QColor(0xD2, 0xE6, 0xF3), kAccent};
const BoxLook kBoxDisabled = {kDisabledLine, kDisabledFill, kDisabledFill, kDisabledInk};

void checkBox(const char *name, const BoxLook &look, int state)
{
    draw(name, 13, 13, [&](QPainter &p) {
        p.setPen(QPen(look.line, 1));
        p.setBrush(vertical(0, 13, look.top, look.bottom));
        p.drawRoundedRect(QRectF(0.5, 0.5, 12, 12), 2, 2);
        if (state == 1) {
            QPainterPath tick;
            tick.moveTo(3.2, 6.6);
            tick.lineTo(5.4, 9.0);
            tick.lineTo(9.8, 3.8);
            p.setPen(QPen(look.mark, 1.9, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.setBrush(Qt::NoBrush);
            p.drawPath(tick);
        } else if (state == 2) {
            p.setPen(Qt::NoPen);
            p.setBrush(look.mark);
            p.drawRoundedRect(QRectF(3, 5, 7, 3), 1, 1);
        }
    });
}

void radio(const char *name, const BoxLook &look, bool checked)
{
    draw(name, 13, 13, [&](QPainter &p) {
        p.setPen(QPen(look.line, 1));
        p.setBrush(vertical(0, 13, look.top, look.bottom));
        p.drawEllipse(QRectF(0.5, 0.5, 12, 12));
        if (checked) {
            QRadialGradient dot(QPointF(5.8, 5.6), 3.6);
            dot.setColorAt(0, look.mark.lighter(135));
            dot.setColorAt(1, look.mark);
            p.setPen(Qt::NoPen);
            p.setBrush(dot);
            p.drawEllipse(QPointF(6.5, 6.5), 3, 3);
        }
    });
}

void drawChecks()
{
    checkBox("checkbox", kBoxNormal, 0);
    checkBox("checkbox_hover", kBoxHover, 0);
    checkBox("checkbox_disabled", kBoxDisabled, 0);
    checkBox("checkbox_checked", kBoxNormal, 1);
    checkBox("checkbox_checked_hover", kBoxHover, 1);
    checkBox("checkbox_checked_disabled", kBoxDisabled, 1);
    checkBox("checkbox_ind", kBoxNormal, 2);
    checkBox("checkbox_ind_hover", kBoxHover, 2);
    radio("radio", kBoxNormal, false);
    radio("radio_hover", kBoxHover, false);
    radio("radio_disabled", kBoxDisabled, false);
    radio("radio_checked", kBoxNormal, true);
    radio("radio_checked_hover", kBoxHover, true);
    radio("radio_checked_disabled", kBoxDisabled, true);
}

// ---- Scroll bars: 14 px thick. ---------------------------------------------

struct StateLook {
    const char *suffix;
    QColor glyph, face, faceLine;
};

const StateLook kStates[] = {
    {"", kGlyph, Qt::transparent, Qt::transparent},
    {"_hover", kGlyphHover, QColor(0xD9, 0xE8, 0xF2), QColor(0xB4, 0xCF, 0xE1)},
    {"_pressed", kGlyphPressed, QColor(0xBC, 0xD5, 0xE6), QColor(0x8F, 0xB4, 0xCC)},
};

void drawScrollBars()
{
    struct Arrow {
        const char *name;
        char dir;
    } arrows[] = {{"vsup", 'u'}, {"vsdown", 'd'}, {"hsleft", 'l'}, {"hsright", 'r'}};
    for (const Arrow &a : arrows) {
        for (const StateLook &s : kStates) {
            const QByteArray name = QByteArray(a.name) + s.suffix;
            draw(name.constData(), 14, 14, [&](QPainter &p) {
                if (s.face.alpha()) {
                    p.setPen(QPen(s.faceLine, 1));
                    p.setBrush(s.face);
                    p.drawRoundedRect(QRectF(1.5, 1.5, 11, 11), 2.5, 2.5);
                }
                triangle(p, 7, 7, 7, 4, a.dir, s.glyph);
            });
        }
    }

    // Thumbs: a pill 8 px thick inside the 14-px bar, stretched along its
    // length between 7-px ends by the style sheet's border-image.
    struct ThumbLook {
        const char *suffix;
        QColor a, b, line;
    } thumbs[] = {
        {"", QColor(0xC9, 0xDB, 0xE8), QColor(0xAE, 0xC9, 0xDC), QColor(0x93, 0xB3, 0xC9)},
        {"_hover", QColor(0xAC, 0xCD, 0xE4), QColor(0x8F, 0xB9, 0xD7), QColor(0x6B, 0x9C, 0xC0)},
        {"_pressed", QColor(0x86, 0xB2, 0xD2), QColor(0x6C, 0x9D, 0xC3), kDark},
    };
    for (const ThumbLook &t : thumbs) {
        const QByteArray v = QByteArray("vsthumb") + t.suffix;
        draw(v.constData(), 14, 28, [&](QPainter &p) {
            p.setPen(QPen(t.line, 1));
            p.setBrush(horizontal(3, 11, t.a, t.b));
            p.drawRoundedRect(QRectF(3.5, 1.5, 7, 25), 3.5, 3.5);
        });
        const QByteArray h = QByteArray("hsthumb") + t.suffix;
        draw(h.constData(), 28, 14, [&](QPainter &p) {
            p.setPen(QPen(t.line, 1));
            p.setBrush(vertical(3, 11, t.a, t.b));
            p.drawRoundedRect(QRectF(1.5, 3.5, 25, 7), 3.5, 3.5);
        });
    }
}

// ---- Spin-box arrows and the combo arrow: glyphs on the button faces that the
// style sheet paints. -------------------------------------------------------

void drawSmallArrows()
{
    for (const StateLook &s : kStates) {
        const QByteArray up = QByteArray("sbup") + s.suffix;
        draw(up.constData(), 9, 5, [&](QPainter &p) { triangle(p, 4.5, 2.5, 7, 4, 'u', s.glyph); });
        const QByteArray down = QByteArray("sbdown") + s.suffix;
        draw(down.constData(), 9, 5,
             [&](QPainter &p) { triangle(p, 4.5, 2.5, 7, 4, 'd', s.glyph); });
        const QByteArray combo = QByteArray("btndown") + s.suffix;
        draw(combo.constData(), 11, 7, [&](QPainter &p) {
            QPainterPath chevron;
            chevron.moveTo(1.5, 1.5);
            chevron.lineTo(5.5, 5.5);
            chevron.lineTo(9.5, 1.5);
            p.setPen(QPen(s.glyph, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p.drawPath(chevron);
        });
    }
    // Indicators: sort order in headers, tab-bar scroll buttons, sub-menus.
    struct Ind {
        const char *name;
        char dir;
    } inds[] = {{"indicator_up", 'u'},
                {"indicator_down", 'd'},
                {"indicator_left", 'l'},
                {"indicator_right", 'r'}};
    for (const Ind &i : inds)
        draw(i.name, 9, 9, [&](QPainter &p) { triangle(p, 4.5, 4.5, 7, 4, i.dir, kGlyph); });

    draw("branch_closed", 11, 11,
         [](QPainter &p) { triangle(p, 5.5, 5.5, 8, 4.5, 'r', QColor(0x6F, 0x93, 0xAB)); });
    draw("branch_open", 11, 11, [](QPainter &p) { triangle(p, 5.5, 5.5, 8, 4.5, 'd', kGlyph); });
}

// ---- Tab close buttons, the slider knob, the status-bar band. ---------------

void drawRest()
{
    auto cross = [](QPainter &p, const QColor &color) {
        p.setPen(QPen(color, 1.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(4.5, 4.5), QPointF(9.5, 9.5));
        p.drawLine(QPointF(9.5, 4.5), QPointF(4.5, 9.5));
    };
    draw("tab_close", 14, 14, [&](QPainter &p) { cross(p, QColor(0x6F, 0x8F, 0xA5)); });
    draw("tab_close_hover", 14, 14, [&](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xD9, 0x53, 0x4A));
        p.drawEllipse(QRectF(0, 0, 14, 14));
        cross(p, Qt::white);
    });
    draw("tab_close_pressed", 14, 14, [&](QPainter &p) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xA8, 0x35, 0x2E));
        p.drawEllipse(QRectF(0, 0, 14, 14));
        cross(p, Qt::white);
    });

    auto knob = [](QPainter &p, const QColor &line, const QColor &bottom, const QColor &dot) {
        p.setPen(QPen(line, 1));
        p.setBrush(vertical(1, 15, Qt::white, bottom));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setPen(Qt::NoPen);
        p.setBrush(dot);
        p.drawEllipse(QPointF(8, 8), 2.2, 2.2);
    };
    draw("sliderthumb_nor", 16, 16, [&](QPainter &p) {
        knob(p, QColor(0x6F, 0x9E, 0xC2), QColor(0xDE, 0xE7, 0xEB), QColor(0x7F, 0xA9, 0xC8));
    });
    draw("sliderthumb_hover", 16, 16,
         [&](QPainter &p) { knob(p, kDark, QColor(0xCF, 0xE3, 0xF0), kAccent); });

    // 4 x 24: a top line, a highlight under it, then a quiet gradient; the
    // style sheet stretches it with a 2-px top slice.
    QImage band(4, 24, QImage::Format_ARGB32);
    for (int y = 0; y < 24; ++y) {
        QColor c;
        if (y == 0)
            c = kLine;
        else if (y == 1)
            c = QColor(0xFB, 0xFD, 0xFE);
        else {
            const qreal t = (y - 2) / 21.0;
            c = QColor::fromRgbF(0.953 + (0.882 - 0.953) * t, 0.969 + (0.918 - 0.969) * t,
                                 0.976 + (0.941 - 0.976) * t);
        }
        for (int x = 0; x < 4; ++x)
            band.setPixel(x, y, c.rgb());
    }
    save(band, "status_bar_bg");
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: zv_draw_skin <folder>\n");
        return 2;
    }
    g_out = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(g_out)) {
        std::fprintf(stderr, "drawskin: creating %s FAILED!\n", argv[1]);
        return 1;
    }
    drawTitleButtons();
    drawBadges();
    drawChecks();
    drawScrollBars();
    drawSmallArrows();
    drawRest();
    return g_failures ? 1 : 0;
}
