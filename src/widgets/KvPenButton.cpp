#include "KvPenButton.h"

#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>

namespace {
// Glyphs are drawn in a 96 x 96 design space, scaled to the button.
constexpr qreal DesignSize = 96.0;
const QColor UncheckedDiscColor(0xFF838AA2);

// Builds a path from "M x,y", "L x,y", "C x1,y1 x2,y2 x,y" and "Z" commands.
QPainterPath pathFromCommands(const char *commands)
{
    static const QRegularExpression token(QStringLiteral("[MLCZ]|-?[0-9.]+"));
    QPainterPath path;
    QChar command;
    QVector<qreal> numbers;
    auto flush = [&] {
        if (command == QLatin1Char('M') && numbers.size() == 2)
            path.moveTo(numbers[0], numbers[1]);
        else if (command == QLatin1Char('L') && numbers.size() == 2)
            path.lineTo(numbers[0], numbers[1]);
        else if (command == QLatin1Char('C') && numbers.size() == 6)
            path.cubicTo(numbers[0], numbers[1], numbers[2], numbers[3], numbers[4], numbers[5]);
        else if (command == QLatin1Char('Z'))
            path.closeSubpath();
        numbers.clear();
    };
    auto it = token.globalMatch(QLatin1String(commands));
    while (it.hasNext()) {
        const QString text = it.next().captured();
        if (text.at(0).isLetter()) {
            flush();
            command = text.at(0);
        } else {
            numbers.append(text.toDouble());
        }
    }
    flush();
    return path;
}

const QPainterPath &penOutline()
{
    static const QPainterPath path = pathFromCommands(
        // body
        "M 62.6632,23.9634 C 61.4097,22.6789 59.3663,22.6789 58.1096,23.9634 L 29.6294,53.0546 "
        "C 28.5613,55.8899 26.6428,68.0343 26,72.616 C 26.4828,73.1105 26.7485,73.7225 27.3528,74 "
        "C 31.5961,73.3417 44.0264,69.9159 45.5804,69.3432 L 74.0575,40.2556 "
        "C 75.3142,38.9682 75.3142,36.8831 74.0575,35.6027 L 62.6632,23.9634 Z "
        // tip piece
        "M 30.049,71 L 29,69.535 L 29.902,62 L 35,69.1185 L 30.049,71 Z "
        // grip
        "M 39.5048,69 L 31,60.0927 L 31.6525,55.9803 L 54.5506,32 L 56.8422,34.3974 "
        "L 35.0885,57.179 L 37.3768,59.576 L 59.1308,36.795 L 61.4193,39.192 L 44.246,57.179 "
        "L 46.5376,59.5758 L 63.7114,41.593 L 66,43.9903 L 43.1019,67.9663 L 39.5048,69 Z "
        // cap
        "M 69.3094,41 L 57,28.6942 L 60.6906,25 L 73,37.3092 L 69.3094,41 Z");
    return path;
}

const QPainterPath &markerOutline()
{
    static const QPainterPath path = pathFromCommands(
        // body with chisel end
        "M 22.5383,38.2259 C 24.2158,36.5387 25.9461,34.7589 27.7176,32.8863 L 30.4251,35.3736 "
        "C 28.0061,37.9301 25.6693,40.3132 23.4269,42.5221 "
        "C 23.0562,42.8872 22.544,43.0843 22.0144,43.0554 "
        "C 17.4411,42.8119 14.3983,44.006 10.8843,47.4674 "
        "C 10.3372,48.0066 9.5015,48.1516 8.8011,47.8325 "
        "C 8.2654,47.589 5.9818,46.5165 5.3932,46.2498 "
        "C 3.8746,45.5542 2.5386,44.9744 1.1554,44.4179 "
        "C -0.01,43.9539 -0.375,42.4989 0.4372,41.5536 "
        "C 4.5279,36.7822 5.5697,33.9182 5.3108,26.567 "
        "C 5.2929,26.0625 5.4872,25.5697 5.8522,25.2161 "
        "C 13.0975,18.0732 22.1968,9.9973 33.1561,0.9877 "
        "C 34.8747,-0.4212 37.3997,-0.3111 38.9769,1.2428 L 47.7351,9.8696 "
        "C 49.3301,11.4408 49.4301,13.9628 47.9587,15.65 "
        "C 42.5144,21.8997 38.8769,26.045 37.0465,28.1033 L 34.2626,25.6973 "
        "C 36.0812,23.6565 39.7069,19.511 45.1454,13.2729 "
        "C 45.3573,13.0294 45.3394,12.67 45.1159,12.4496 L 36.358,3.8228 "
        "C 36.1344,3.6023 35.7694,3.5851 35.5279,3.7881 "
        "C 34.3155,4.7851 33.1266,5.7708 31.9612,6.7446 L 39.4773,14.1482 L 36.8583,16.7283 "
        "L 29.1301,9.116 C 21.8672,15.2616 15.5579,20.9199 10.2075,26.0914 L 22.5383,38.2259 Z "
        // tip piece
        "M 18.6065,39.5072 L 9.0129,30.0629 C 8.8125,35.0953 7.6179,38.2956 4.8164,41.9885 "
        "C 5.505,42.2899 6.2111,42.6031 6.9586,42.9453 "
        "C 7.3411,43.1191 8.3711,43.6003 9.219,43.9944 "
        "C 12.1676,41.3393 15.0987,39.9248 18.6065,39.5072 Z");
    return path;
}

const QPainterPath &waveOutline()
{
    static const QPainterPath path
        = pathFromCommands("M 35.2166,34 C 27.6567,34 24.8864,25.3786 22.4210,17.7771 "
                           "C 19.9559,10.1756 17.9839,4.8572 14.0866,4.8572 "
                           "C 7.4894,4.8572 4.6955,20.4970 4.6955,26.7144 "
                           "C 4.6953,28.0555 3.6444,29.1426 2.3479,29.1426 "
                           "C 1.0512,29.1426 0,28.0555 0,26.7144 "
                           "C 0,21.4201 2.5122,0 14.0866,0 "
                           "C 21.6465,0 24.4168,8.6213 26.8818,16.2228 "
                           "C 29.3470,23.8243 31.3193,29.1428 35.2166,29.1428 "
                           "C 39.1139,29.1428 41.7904,21.5900 42.2598,18.9429 "
                           "C 42.5127,17.6016 43.7688,16.7262 45.0655,16.9879 "
                           "C 46.3620,17.2495 47.2082,18.5488 46.9553,19.8900 "
                           "C 46.7910,20.4728 44.0912,34 35.2166,34 Z");
    return path;
}
} // namespace

KvPenButton::KvPenButton(QWidget *parent)
    : QPushButton(parent)
{
    setCheckable(true);
}

KvPenButton::PenType KvPenButton::type() const
{
    return m_type;
}

void KvPenButton::setType(const PenType &type)
{
    m_type = type;
    repaint();
}

QColor KvPenButton::penColor() const
{
    return m_penColor;
}

void KvPenButton::setPenColor(const QColor &color)
{
    m_penColor = color;
    repaint();
}

int KvPenButton::penWidth() const
{
    return m_penWidth;
}

void KvPenButton::setPenWidth(int width)
{
    m_penWidth = width;
    repaint();
}

QColor KvPenButton::backColor() const
{
    return m_backColor;
}

void KvPenButton::setBackColor(const QColor &color)
{
    m_backColor = color;
    repaint();
}

void KvPenButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal sx = width() / DesignSize;
    const qreal sy = height() / DesignSize;

    painter.setPen(Qt::NoPen);
    painter.setBrush(isChecked() ? m_backColor : UncheckedDiscColor);
    painter.drawRoundedRect(rect(), 22.0, 22.0);

    switch (m_type) {
    case Pen: {
        static const QPolygonF tip({{30, 61}, {38, 70}, {29, 72}, {28, 70}});
        painter.setTransform(QTransform::fromScale(sx, sy));
        painter.setBrush(Qt::white);
        painter.drawPath(penOutline());
        painter.setBrush(m_penColor);
        painter.drawPolygon(tip, Qt::OddEvenFill);
        break;
    }
    case Marker: {
        static const QPolygonF tip({{35, 52}, {47, 64}, {35, 68}, {29, 66}});
        painter.setTransform(QTransform::fromScale(sx, sy));
        painter.save();
        painter.translate(26, 24);
        painter.setBrush(Qt::white);
        painter.drawPath(markerOutline());
        painter.restore();
        painter.setBrush(m_penColor);
        painter.drawPolygon(tip, Qt::OddEvenFill);
        break;
    }
    case Width:
        painter.setTransform(QTransform::fromScale(sx, sy));
        painter.translate(25, 31);
        painter.setPen(
            QPen(QBrush(m_penColor), m_penWidth / 2, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin));
        painter.setBrush(m_penColor);
        painter.drawPath(waveOutline());
        break;
    }
}
