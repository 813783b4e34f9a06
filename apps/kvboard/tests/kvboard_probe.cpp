// Eyes for the window test: takes screenshots of a real X display and measures them.
//   kvboard_probe grab OUT.png [WINDOW-ID]      the screen, or one window
//   kvboard_probe contrast IMAGE.png [L T W H]  contrast of the two commonest colours in the
//                                               area, in percent of the image (text on its
//                                               background, in a dialog's text area)
//   kvboard_probe differ A.png B.png [X Y W H]  pixels that differ visibly, in the area
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// Relative luminance as the contrast ratio of readable text defines it.
double luminance(QRgb rgb)
{
    const auto channel = [](int value) {
        const double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(rgb)) + 0.7152 * channel(qGreen(rgb))
        + 0.0722 * channel(qBlue(rgb));
}

int contrast(const QImage &image, QRect area)
{
    QHash<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x)
            ++counts[image.pixel(x, y) | 0xff000000];
    }
    QList<QPair<int, QRgb>> ranked;
    for (auto it = counts.cbegin(); it != counts.cend(); ++it)
        ranked.append({it.value(), it.key()});
    if (ranked.size() < 2)
        return 1;
    std::sort(ranked.begin(), ranked.end(), std::greater<>());
    const double a = luminance(ranked.at(0).second);
    const double b = luminance(ranked.at(1).second);
    std::printf("%.2f #%06x on #%06x\n", (std::max(a, b) + 0.05) / (std::min(a, b) + 0.05),
                ranked.at(1).second & 0xffffff, ranked.at(0).second & 0xffffff);
    std::fflush(stdout);
    return 0;
}

int differ(const QImage &a, const QImage &b, QRect area)
{
    if (area.isEmpty())
        area = a.rect();
    if (a.size() != b.size()) {
        std::printf("%d\n", area.width() * area.height());
        return 0;
    }
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            count += std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                               std::abs(qBlue(p) - qBlue(q))})
                > 32;
        }
    }
    std::printf("%d\n", count);
    std::fflush(stdout);
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    const QString command = args.value(0);
    if (command == QLatin1String("grab") && args.size() >= 2) {
        const WId window = args.size() > 2 ? WId(args.at(2).toULongLong()) : 0;
        return QGuiApplication::primaryScreen()->grabWindow(window).save(args.at(1)) ? 0 : 1;
    }
    if (command == QLatin1String("contrast") && (args.size() == 2 || args.size() == 6)) {
        const QImage image(args.at(1));
        QRect area = image.rect();
        if (args.size() == 6)
            area = QRect(image.width() * args.at(2).toInt() / 100,
                         image.height() * args.at(3).toInt() / 100,
                         image.width() * args.at(4).toInt() / 100,
                         image.height() * args.at(5).toInt() / 100);
        return contrast(image, area & image.rect());
    }
    if (command == QLatin1String("differ") && (args.size() == 3 || args.size() == 7)) {
        QRect area;
        if (args.size() == 7)
            area = QRect(args.at(3).toInt(), args.at(4).toInt(), args.at(5).toInt(),
                         args.at(6).toInt());
        return differ(QImage(args.at(1)), QImage(args.at(2)), area);
    }
    std::fprintf(stderr, "usage: kvboard_probe grab|contrast|differ ...\n");
    return 2;
}
