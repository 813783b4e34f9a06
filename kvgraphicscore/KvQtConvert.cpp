#include "KvQtConvert.h"

#include <QDomDocument>
#include <QDomElement>
#include <QLocale>
#include <QStringList>
#include <QVector>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>

namespace {

// A number as this library writes them ("-12.5", "1e+06"), read without Qt's locale machinery,
// which costs more than the rest of a load; nothing if the text is anything else.
std::optional<double> readPlainNumber(const QStringRef &text)
{
    // Longer than the longest shortest form of a double.
    constexpr int maxPlainLength = 32;
    const int length = text.size();
    if (length == 0 || length > maxPlainLength)
        return std::nullopt;
    char latin[maxPlainLength];
    for (int i = 0; i < length; ++i) {
        const ushort code = text.at(i).unicode();
        const bool plain = (code >= '0' && code <= '9') || code == '.' || code == '-' || code == '+'
            || code == 'e';
        if (!plain)
            return std::nullopt;
        latin[i] = char(code);
    }
    double value = 0;
    const auto [end, error] = std::from_chars(latin, latin + length, value);
    if (error != std::errc() || end != latin + length)
        return std::nullopt;
    return value;
}

std::optional<double> readNumber(const QStringRef &text)
{
    if (const auto plain = readPlainNumber(text))
        return std::isfinite(*plain) ? plain : std::nullopt;
    // Whatever else Qt's C locale takes for a number (spaces, a leading '+', "inf") decides.
    bool ok = false;
    const double value = QLocale::c().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<int> readInt(const QStringRef &text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

// Splits `text` at `separator` into exactly `count` numbers, or nothing.
std::optional<QVector<double>> readNumbers(const QString &text, QChar separator, int count)
{
    const QVector<QStringRef> parts = text.splitRef(separator);
    if (parts.size() != count)
        return std::nullopt;
    QVector<double> values;
    values.reserve(count);
    for (const QStringRef &part : parts) {
        const auto value = readNumber(part);
        if (!value)
            return std::nullopt;
        values.append(*value);
    }
    return values;
}

// Room for the longest form a double takes: sign, 17 digits, point, "e-308".
constexpr int maxNumberLength = 32;

// Lays out the shortest digits that read back to `value` (finite, non-zero) exactly as Qt's C
// locale lays out 'g' with QLocale::FloatingPointShortest, so that what is written stays the same
// text; returns the length written to `out`.
int writeShortestNumber(double value, char *out)
{
    char scientific[maxNumberLength];
    const auto written = std::to_chars(scientific, scientific + maxNumberLength, value,
                                       std::chars_format::scientific);
    const char *in = scientific;
    char *end = out;
    if (*in == '-')
        *end++ = *in++;
    char digits[maxNumberLength];
    int length = 0;
    for (; *in != 'e'; ++in) {
        if (*in != '.')
            digits[length++] = *in;
    }
    int exponent = 0;
    std::from_chars(in + (in[1] == '+' ? 2 : 1), written.ptr, exponent);
    // Qt's choice between the two layouts: whichever is shorter, the exponent form always below
    // 1e-4.
    const int point = exponent + 1;
    const int cutoff
        = point > 0 ? length + 4 + (point > 100 ? 2 : 1) + (length > point ? 1 : 0) : 6;
    auto copy = [&end](const char *from, int count) {
        std::memcpy(end, from, size_t(count));
        end += count;
    };
    auto zeros = [&end](int count) {
        std::memset(end, '0', size_t(count));
        end += count;
    };
    if (point != length && (point <= -4 || point > cutoff)) {
        *end++ = digits[0];
        if (length > 1) {
            *end++ = '.';
            copy(digits + 1, length - 1);
        }
        *end++ = 'e';
        *end++ = exponent < 0 ? '-' : '+';
        if (std::abs(exponent) < 10)
            *end++ = '0';
        end = std::to_chars(end, out + maxNumberLength, std::abs(exponent)).ptr;
    } else if (point <= 0) {
        copy("0.", 2);
        zeros(-point);
        copy(digits, length);
    } else if (point >= length) {
        copy(digits, length);
        zeros(point - length);
    } else {
        copy(digits, point);
        *end++ = '.';
        copy(digits + point, length - point);
    }
    return int(end - out);
}

// Appends the number's text form without building a string for it.
void appendNumber(QString &text, double value)
{
    if (value == 0) {
        // Negative zero too, as Qt writes it.
        text += QLatin1Char('0');
    } else if (std::isfinite(value)) {
        char number[maxNumberLength];
        text += QLatin1String(number, writeShortestNumber(value, number));
    } else {
        text += QLocale::c().toString(value, 'g', QLocale::FloatingPointShortest);
    }
}

} // namespace

QString KvQtConvert::numberToString(double value)
{
    QString text;
    appendNumber(text, value);
    return text;
}

QString KvQtConvert::colorToString(const QColor &color)
{
    if (!color.isValid())
        return {};
    return color.name(QColor::HexArgb).toUpper();
}

QColor KvQtConvert::stringToColor(const QString &text)
{
    const QString trimmed = text.trimmed();
    // #RGB, #RRGGBB and #AARRGGBB only: Qt's 12- and 16-bit forms would not survive the writer.
    const int digits = trimmed.size() - 1;
    if (!trimmed.startsWith(QLatin1Char('#')) || (digits != 3 && digits != 6 && digits != 8))
        return {};
    return QColor(trimmed);
}

QString KvQtConvert::pointFToString(const QPointF &point)
{
    QString text;
    appendNumber(text, point.x());
    text += QLatin1Char(',');
    appendNumber(text, point.y());
    return text;
}

QPointF KvQtConvert::stringToPointF(const QString &text)
{
    const auto values = readNumbers(text, QLatin1Char(','), 2);
    return values ? QPointF(values->at(0), values->at(1)) : QPointF();
}

QString KvQtConvert::polygonFToString(const QPolygonF &polygon)
{
    // About what a point of ink takes ("1234.56789012345,987.654321098765;"), so the text grows
    // rarely.
    const int typicalPointLength = 34;
    QString text;
    text.reserve(polygon.size() * typicalPointLength);
    for (const QPointF &point : polygon) {
        if (!text.isEmpty())
            text += QLatin1Char(';');
        appendNumber(text, point.x());
        text += QLatin1Char(',');
        appendNumber(text, point.y());
    }
    return text;
}

QPolygonF KvQtConvert::stringToPolygonF(const QString &text)
{
    if (text.trimmed().isEmpty())
        return {};
    const QVector<QStringRef> parts = text.splitRef(QLatin1Char(';'));
    QPolygonF polygon;
    polygon.reserve(parts.size());
    for (const QStringRef &part : parts) {
        const int comma = part.indexOf(QLatin1Char(','));
        if (comma < 0 || part.indexOf(QLatin1Char(','), comma + 1) >= 0)
            return {};
        const auto x = readNumber(part.left(comma));
        const auto y = readNumber(part.mid(comma + 1));
        if (!x || !y)
            return {};
        polygon.append(QPointF(*x, *y));
    }
    return polygon;
}

QString KvQtConvert::transformToString(const QTransform &t)
{
    const double values[]
        = {t.m11(), t.m12(), t.m13(), t.m21(), t.m22(), t.m23(), t.m31(), t.m32(), t.m33()};
    QString text;
    for (double value : values) {
        if (!text.isEmpty())
            text += QLatin1Char(',');
        appendNumber(text, value);
    }
    return text;
}

QTransform KvQtConvert::stringToTransform(const QString &text)
{
    const auto v = readNumbers(text, QLatin1Char(','), 9);
    if (!v)
        return {};
    return QTransform(v->at(0), v->at(1), v->at(2), v->at(3), v->at(4), v->at(5), v->at(6),
                      v->at(7), v->at(8));
}

QString KvQtConvert::brushToString(const QBrush &brush)
{
    return QString::number(int(brush.style())) + QLatin1Char(',') + colorToString(brush.color());
}

QBrush KvQtConvert::stringToBrush(const QString &text)
{
    const QVector<QStringRef> parts = text.splitRef(QLatin1Char(','));
    if (parts.size() != 2)
        return {};
    const auto style = readInt(parts.at(0));
    const QColor color = stringToColor(parts.at(1).toString());
    // Gradient and texture styles carry more than a colour: not a plain brush form.
    if (!style || *style < Qt::NoBrush || *style > Qt::DiagCrossPattern || !color.isValid())
        return {};
    return QBrush(color, Qt::BrushStyle(*style));
}

QString KvQtConvert::penToString(const QPen &pen)
{
    return QStringList {QString::number(int(pen.style())),
                        numberToString(pen.widthF()),
                        colorToString(pen.color()),
                        QString::number(int(pen.capStyle())),
                        QString::number(int(pen.joinStyle())),
                        QString::number(int(pen.isCosmetic()))}
        .join(QLatin1Char(','));
}

QPen KvQtConvert::stringToPen(const QString &text)
{
    const QVector<QStringRef> parts = text.splitRef(QLatin1Char(','));
    if (parts.size() != 6)
        return {};
    const auto style = readInt(parts.at(0));
    const auto width = readNumber(parts.at(1));
    const QColor color = stringToColor(parts.at(2).toString());
    const auto cap = readInt(parts.at(3));
    const auto join = readInt(parts.at(4));
    const auto cosmetic = readInt(parts.at(5));
    const bool styleOk = style && *style >= Qt::NoPen && *style <= Qt::DashDotDotLine;
    const bool capOk
        = cap && (*cap == Qt::FlatCap || *cap == Qt::SquareCap || *cap == Qt::RoundCap);
    const bool joinOk = join
        && (*join == Qt::MiterJoin || *join == Qt::BevelJoin || *join == Qt::RoundJoin
            || *join == Qt::SvgMiterJoin);
    // QPen takes widths from 0 up to below 2^15 only and warns about any other.
    const bool widthOk = width && *width >= 0 && *width < (1 << 15);
    if (!styleOk || !widthOk || !color.isValid() || !capOk || !joinOk || !cosmetic
        || (*cosmetic != 0 && *cosmetic != 1))
        return {};
    QPen pen {Qt::PenStyle(*style)};
    pen.setWidthF(*width);
    pen.setColor(color);
    pen.setCapStyle(Qt::PenCapStyle(*cap));
    pen.setJoinStyle(Qt::PenJoinStyle(*join));
    // A pen of width 0 is cosmetic whatever its flag says, and the writer cannot tell the two
    // apart: read it unflagged, so that a pen read back and written again stays the same.
    pen.setCosmetic(*cosmetic == 1 && *width != 0);
    return pen;
}

QString KvQtConvert::variantToString(const QVariant &value)
{
    switch (value.userType()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return numberToString(value.toDouble());
    case QMetaType::QColor:
        return colorToString(value.value<QColor>());
    case QMetaType::QPointF:
    case QMetaType::QPoint:
        return pointFToString(value.toPointF());
    case QMetaType::QPolygonF:
        return polygonFToString(value.value<QPolygonF>());
    case QMetaType::QTransform:
        return transformToString(value.value<QTransform>());
    case QMetaType::QBrush:
        return brushToString(value.value<QBrush>());
    case QMetaType::QPen:
        return penToString(value.value<QPen>());
    default:
        return value.toString();
    }
}

void KvQtConvert::createDomElement(QDomDocument *document, QDomElement *parent,
                                   QDomElement &element, const QString &name)
{
    element = document->createElement(name);
    parent->appendChild(element);
}

void KvQtConvert::insertDomString(QDomDocument *document, QDomElement *element, const QString &key,
                                  const QString &value)
{
    QDomElement child = document->createElement(key);
    child.appendChild(document->createTextNode(value));
    element->appendChild(child);
}

void KvQtConvert::insertDomVariant(QDomDocument *document, QDomElement *element, const QString &key,
                                   const QVariant &value)
{
    insertDomString(document, element, key, variantToString(value));
}

void KvQtConvert::setAttributeDomString(QDomElement *element, const QString &name,
                                        const QString &value)
{
    element->setAttribute(name, value);
}

QString KvQtConvert::readDomString(const QDomElement *element, const QString &key)
{
    return element ? domText(element->firstChildElement(key)) : QString();
}

QString KvQtConvert::domText(const QDomElement &element)
{
    // A value is one text node as written: its string is shared where text() would copy it.
    const QDomNode only = element.firstChild();
    if (only.isText() && only.nextSibling().isNull()) {
        const QString text = only.nodeValue();
        if (!text.isNull())
            return text;
    }
    return element.text();
}
