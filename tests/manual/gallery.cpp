// Renders every widget of the pen tool UI in its main states, one PNG each, to look at by eye:
//   kvpen_gallery [folder]      (default kvpen-gallery/; offscreen unless QT_QPA_PLATFORM
//   says otherwise)
#include "KvColorButton.h"
#include "KvColorSelectWidget.h"
#include "KvErasePopup.h"
#include "KvPenButton.h"
#include "KvPenPopup.h"
#include "KvToolPenButton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <functional>
#include <memory>

namespace {

// One state to render: a name and how to make the widget.
struct Shot
{
    QString name;
    std::function<QWidget *()> make;
};

QAbstractButton *swatch(QWidget *owner, const char *palette, int index)
{
    return owner->findChild<KvColorSelectWidget *>(QLatin1String(palette))
        ->findChild<QButtonGroup *>()
        ->button(index);
}

template<typename T> T *configured(const std::function<void(T *)> &setUp)
{
    auto *widget = new T;
    setUp(widget);
    return widget;
}

QList<Shot> shots(const QString &iconPrefix)
{
    QList<QColor> colors;
    for (QRgb rgb : {0xFFFFFFFF, 0xFF9B9B9B, 0xFF4A4A4A, 0xFF4A90E2, 0xFFF8E71C, 0xFFF5A623,
                     0xFFD0021B, 0xFFBD10E0, 0xFF7ED321, 0xFF417505, 0xFF50E3C2})
        colors << QColor::fromRgba(rgb);
    QList<Shot> list {
        {"pen-popup",
         [] {
             return new KvPenPopup;
         }},
        {"pen-popup-blue-14",
         [] {
             return configured<KvPenPopup>([](KvPenPopup *popup) {
                 popup->setPenColor(QColor(0xFF4A90E2));
                 popup->setPenWidth(14);
             });
         }},
        {"highlighter-popup-25",
         [] {
             return configured<KvPenPopup>([](KvPenPopup *popup) {
                 popup->setPenPageVisible(false);
                 popup->setHightWidth(25);
             });
         }},
        {"pen-popup-custom-colour",
         [] {
             return configured<KvPenPopup>(
                 [](KvPenPopup *popup) { swatch(popup, "penPage", 11)->click(); });
         }},
        {"palette-red-checked",
         [colors] {
             return configured<KvColorSelectWidget>([&](KvColorSelectWidget *palette) {
                 palette->setColorList(colors);
                 palette->changeColor(colors.at(6));
                 palette->resize(palette->sizeHint());
             });
         }},
        {"tool-pen-button",
         [iconPrefix] {
             return configured<KvToolPenButton>([&](KvToolPenButton *button) {
                 button->setStylePre(iconPrefix);
                 button->setIsSvg(true);
                 button->setCheckable(true);
                 button->setChecked(true);
                 button->setFixedSize(60, 60);
                 button->setPenColor(Qt::red);
             });
         }},
    };
    for (int width : {30, 90, 120}) {
        list.append({QStringLiteral("erase-popup-%1").arg(width), [width] {
                         return configured<KvErasePopup>(
                             [=](KvErasePopup *popup) { popup->setEraseWidth(width); });
                     }});
    }
    for (auto type : {KvPenButton::Pen, KvPenButton::Marker, KvPenButton::Width}) {
        for (bool checked : {false, true}) {
            list.append({QStringLiteral("pen-button-%1-%2").arg(int(type)).arg(checked), [=] {
                             return configured<KvPenButton>([=](KvPenButton *button) {
                                 button->setType(type);
                                 button->setPenColor(type == KvPenButton::Marker
                                                         ? QColor(0xFFF8E71C)
                                                         : QColor(Qt::red));
                                 button->setPenWidth(12);
                                 button->setChecked(checked);
                                 button->setFixedSize(44, 44);
                             });
                         }});
        }
    }
    return list;
}

// Shows the widget (so that layouts and style sheets apply as on screen) and renders it
// without the window background, as it would sit on a toolbar.
QPixmap render(QWidget *widget)
{
    widget->show();
    QCoreApplication::processEvents();
    QPixmap pixmap(widget->size());
    pixmap.fill(Qt::transparent);
    widget->render(&pixmap, QPoint(), QRegion(), QWidget::DrawChildren);
    return pixmap;
}

// The offscreen platform complains about every window feature it lacks; that is not news here.
void quietPlatformMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (!message.startsWith(QLatin1String("This plugin does not support")))
        QTextStream(stderr) << (type == QtDebugMsg ? "" : "warning: ") << message << '\n';
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietPlatformMessages);
    QApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("kvpen-gallery"));
    folder.mkpath(QStringLiteral("."));

    // Tool buttons paint icon files named <prefix><state>.svg; the pen popup's icons serve.
    QTemporaryDir iconDir;
    const QString prefix = iconDir.filePath(QStringLiteral("tool"));
    QFile::copy(QStringLiteral(":/pen/res/imgs/icon_pen1_nor.svg"), prefix + ".svg");
    QFile::copy(QStringLiteral(":/pen/res/imgs/icon_pen1_checked.svg"), prefix + "_select.svg");

    for (const Shot &shot : shots(prefix)) {
        const std::unique_ptr<QWidget> widget(shot.make());
        const QString file = folder.filePath(shot.name + QStringLiteral(".png"));
        if (!render(widget.get()).save(file)) {
            QTextStream(stderr) << "could not write " << file << '\n';
            return 1;
        }
    }
    QTextStream(stdout) << folder.absolutePath() << '\n';
    return 0;
}
