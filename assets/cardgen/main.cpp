// SPDX-FileCopyrightText: 2026 Ginrei Karuta developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Draws every picture the program ships: the 46 default card pictures, the
// start menu's title picture, the computer's two hand pictures, the hand
// pointer and the application icon. Run at build time, so nothing drawn by
// hand goes into the repository.
//
//   cardgen <card folder> <program folder> <resource folder>

#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QPainterPath>
#include <QTextStream>

#include <cmath>

namespace {

const QString Kana = QStringLiteral("あいうえおかきくけこさしすせそたちつてとなにぬねのはひふへほまみむめもやゆよらりるれろわを銀");
const QString Family = QStringLiteral("IPAGothic");

// One colour per row of the syllabary, so that neighbouring cards differ.
QColor rowColour(int index)
{
    static const QColor colours[] = {
        QColor(200, 40, 40),  QColor(220, 110, 20), QColor(170, 140, 0),  QColor(40, 140, 60),
        QColor(20, 130, 150), QColor(40, 80, 180),  QColor(110, 60, 170), QColor(170, 50, 130),
        QColor(120, 80, 40),  QColor(60, 60, 60),
    };
    return colours[(index / 5) % 10];
}

QFont font(qreal pixelSize, bool bold = true)
{
    QFont f(Family);
    f.setPixelSize(qRound(pixelSize));
    f.setBold(bold);
    f.setStyleStrategy(QFont::PreferAntialias);
    return f;
}

bool save(const QImage &image, const QString &path, const char *format, int quality = -1)
{
    QImageWriter writer(path, format);
    if (quality >= 0)
        writer.setQuality(quality);
    if (!writer.write(image)) {
        QTextStream(stderr) << "cardgen: cannot write " << path << ": " << writer.errorString() << '\n';
        return false;
    }
    return true;
}

// A card face at 3 times the board size (67 x 87 px): a cream card with a
// coloured border, the kana large in a circle, and its number small below.
QImage cardPicture(int index)
{
    const int w = 201, h = 261;
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(60, 40, 30));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const bool gin = index == 45;
    const QColor accent = gin ? QColor(120, 130, 150) : rowColour(index);
    const QColor face = gin ? QColor(236, 240, 246) : QColor(255, 249, 232);

    // Card face with a double border.
    p.setPen(Qt::NoPen);
    p.setBrush(face);
    p.drawRoundedRect(QRectF(3, 3, w - 6, h - 6), 14, 14);
    p.setPen(QPen(accent, 9));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(12, 12, w - 24, h - 24), 10, 10);
    p.setPen(QPen(accent.darker(140), 2));
    p.drawRoundedRect(QRectF(22, 22, w - 44, h - 44), 6, 6);

    // The kana in a tinted circle, filling most of the card's width.
    const QRectF circle(30, 40, w - 60, w - 60);
    QColor tint = accent;
    tint.setAlpha(48);
    p.setPen(QPen(accent, 4));
    p.setBrush(tint);
    p.drawEllipse(circle);
    p.setPen(QColor(20, 20, 20));
    p.setFont(font(circle.height() * 0.72));
    p.drawText(circle.adjusted(0, -4, 0, 0), Qt::AlignCenter, Kana.mid(index, 1));

    // Small number under the circle, as on a tournament deck.
    p.setPen(accent.darker(130));
    p.setFont(font(26));
    p.drawText(QRectF(0, circle.bottom() + 8, w, 44), Qt::AlignCenter, QString::number(index + 1));
    return image;
}

// The start menu's title picture (186 x 191): a silver bell over a night
// sky, the title at the top, where the buttons leave it visible.
QImage titlePicture()
{
    const int w = 186, h = 191;
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(30, 30, 90));
    sky.setColorAt(1, QColor(120, 120, 220));
    p.fillRect(image.rect(), sky);

    // Stars.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 210));
    for (int i = 0; i < 40; ++i) {
        const qreal x = std::fmod(i * 53.7, w), y = std::fmod(i * 37.3 + 11, h);
        p.drawEllipse(QPointF(x, y), 1.0 + (i % 3) * 0.4, 1.0 + (i % 3) * 0.4);
    }

    // A silver bell.
    QPainterPath bell;
    const QPointF c(w / 2.0, 112);
    // Narrow at the crown, flaring out to the lip.
    bell.moveTo(c.x() - 48, c.y() + 34);
    bell.cubicTo(c.x() - 28, c.y() + 26, c.x() - 36, c.y() - 46, c.x(), c.y() - 46);
    bell.cubicTo(c.x() + 36, c.y() - 46, c.x() + 28, c.y() + 26, c.x() + 48, c.y() + 34);
    bell.quadTo(c.x(), c.y() + 46, c.x() - 48, c.y() + 34);
    bell.closeSubpath();
    QLinearGradient silver(c.x() - 48, 0, c.x() + 48, 0);
    silver.setColorAt(0, QColor(150, 155, 170));
    silver.setColorAt(0.4, QColor(245, 245, 250));
    silver.setColorAt(1, QColor(120, 125, 140));
    p.setBrush(silver);
    p.setPen(QPen(QColor(70, 70, 90), 2));
    p.drawPath(bell);
    p.drawEllipse(QPointF(c.x(), c.y() + 44), 9, 9);
    p.drawEllipse(QPointF(c.x(), c.y() - 52), 7, 7);

    p.setPen(QColor(255, 240, 160));
    p.setFont(font(26));
    p.drawText(QRectF(0, 2, w, 38), Qt::AlignCenter, QStringLiteral("銀鈴かるた"));
    return image;
}

// An open hand, palm down, fingers up, in a 32 x 32 box.
QPainterPath handPath(qreal scale, QPointF origin)
{
    QPainterPath hand;
    hand.setFillRule(Qt::WindingFill);
    auto rr = [&](qreal x, qreal y, qreal w, qreal h, qreal r) {
        hand.addRoundedRect(QRectF(origin.x() + x * scale, origin.y() + y * scale, w * scale, h * scale), r * scale, r * scale);
    };
    rr(8, 14, 16, 15, 5);  // palm
    rr(8, 5, 3.6, 13, 1.8);  // fingers
    rr(12.2, 3, 3.6, 15, 1.8);
    rr(16.4, 4, 3.6, 14, 1.8);
    rr(20.6, 7, 3.4, 11, 1.7);
    QTransform thumb;
    thumb.translate(origin.x() + 7 * scale, origin.y() + 21 * scale);
    thumb.rotate(-40);
    QPainterPath t;
    t.addRoundedRect(QRectF(-9 * scale, -2 * scale, 10 * scale, 4 * scale), 2 * scale, 2 * scale);
    hand.addPath(thumb.map(t));
    return hand;
}

QImage handPicture(bool taking)
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (taking) {
        // A yellow burst behind the hand.
        QPainterPath burst;
        const QPointF c(16, 16);
        for (int i = 0; i < 24; ++i) {
            const qreal a = i * M_PI / 12;
            const qreal r = (i % 2) ? 9 : 16;
            const QPointF pt(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
            i ? burst.lineTo(pt) : burst.moveTo(pt);
        }
        burst.closeSubpath();
        p.setPen(QPen(QColor(230, 150, 0), 1));
        p.setBrush(QColor(255, 230, 0));
        p.drawPath(burst);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::black);
    p.drawPath(handPath(taking ? 0.85 : 1.0, taking ? QPointF(2.5, 2.5) : QPointF(0, 0)));
    return image;
}

// The pointer over the cards: a white hand pointing up, outlined in black,
// its fingertip at the top centre (the pointer's hot spot).
QImage pointerPicture()
{
    QImage image(32, 32, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath hand;
    hand.setFillRule(Qt::WindingFill);
    hand.addRoundedRect(QRectF(14, 1, 4.5, 18), 2.2, 2.2);   // index finger
    hand.addRoundedRect(QRectF(10, 15, 15, 14), 4, 4);      // fist
    hand.addRoundedRect(QRectF(18, 11, 4, 9), 2, 2);        // folded fingers
    hand.addRoundedRect(QRectF(21.5, 12.5, 4, 8), 2, 2);
    hand.addRoundedRect(QRectF(6.5, 14, 5, 9), 2.5, 2.5);   // thumb
    p.setPen(QPen(Qt::black, 1.4));
    p.setBrush(Qt::white);
    p.drawPath(hand.simplified());
    return image;
}

// The application icon: a small card with 銀 in a silver circle.
QImage iconPicture(int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    p.setPen(QPen(QColor(150, 30, 30), 4));
    p.setBrush(QColor(255, 249, 232));
    p.drawRoundedRect(QRectF(10, 3, 44, 58), 6, 6);
    QRadialGradient silver(QPointF(28, 26), 22);
    silver.setColorAt(0, QColor(250, 250, 255));
    silver.setColorAt(1, QColor(140, 145, 160));
    p.setPen(QPen(QColor(90, 90, 110), 2));
    p.setBrush(silver);
    p.drawEllipse(QPointF(32, 32), 18, 18);
    p.setPen(QColor(20, 20, 20));
    p.setFont(font(26));
    p.drawText(QRectF(10, 14, 44, 36), Qt::AlignCenter, QStringLiteral("銀"));
    return image;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        QTextStream(stderr) << "usage: cardgen <card folder> <program folder> <resource folder>\n";
        return 2;
    }
    const QString cards = args[1], program = args[2], resources = args[3];
    for (const QString &dir : {cards, program, resources})
        QDir().mkpath(dir);

    bool ok = true;
    for (int i = 0; i < Kana.size(); ++i)
        ok &= save(cardPicture(i), QStringLiteral("%1/karue%2.jpg").arg(cards).arg(i + 1, 2, 10, QLatin1Char('0')), "jpeg", 92);
    ok &= save(titlePicture(), resources + QStringLiteral("/title.jpg"), "jpeg", 92);
    ok &= save(handPicture(false), resources + QStringLiteral("/hand-rest.png"), "png");
    ok &= save(handPicture(true), resources + QStringLiteral("/hand-take.png"), "png");
    ok &= save(pointerPicture(), program + QStringLiteral("/hand.ico"), "ico");
    for (int size : {16, 32, 48, 64, 128, 256})
        ok &= save(iconPicture(size), QStringLiteral("%1/icon-%2.png").arg(resources).arg(size), "png");
    return ok ? 0 : 1;
}
