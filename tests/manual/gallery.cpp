// Renders every widget of the pen tool UI in its main states into one PNG, to look at by eye:
//   kvpen_gallery [output.png]      (default kvpen-gallery.png; offscreen unless
//   QT_QPA_PLATFORM says otherwise)
#include "KvColorButton.h"
#include "KvColorSelectWidget.h"
#include "KvErasePopup.h"
#include "KvPenButton.h"
#include "KvPenPopup.h"
#include "KvToolAction.h"
#include "KvToolPenButton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QFile>
#include <QFontMetrics>
#include <QPainter>
#include <QTemporaryDir>
#include <QTextStream>

#include <memory>

namespace {

const int kCanvasWidth = 1560;
const int kMargin = 16;
const int kCaptionHeight = 18;
const QColor kCanvasColor(0x80, 0x84, 0x90);

// Lays shots out left to right under section titles, wrapping at the canvas width.
class Sheet
{
public:
    void section(const QString &title)
    {
        newLine();
        m_items.append({QPoint(kMargin, m_y), title, QPixmap(), true});
        m_y += kCaptionHeight + 4;
    }

    void add(const QString &caption, const QPixmap &shot)
    {
        const QSize size = shot.size() / shot.devicePixelRatio();
        const int width
            = qMax(size.width(), QFontMetrics(QApplication::font()).horizontalAdvance(caption));
        if (m_x > kMargin && m_x + width > kCanvasWidth - kMargin)
            newLine();
        m_items.append({QPoint(m_x, m_y), caption, shot, false});
        m_x += width + kMargin;
        m_rowHeight = qMax(m_rowHeight, size.height() + kCaptionHeight);
    }

    QImage render()
    {
        newLine();
        QImage image(kCanvasWidth, m_y + kMargin, QImage::Format_ARGB32_Premultiplied);
        image.fill(kCanvasColor);
        QPainter painter(&image);
        for (const Item &item : qAsConst(m_items)) {
            QFont font = painter.font();
            font.setBold(item.isTitle);
            painter.setFont(font);
            painter.setPen(item.isTitle ? Qt::black : QColor(0x20, 0x20, 0x20));
            painter.drawText(QRect(item.pos, QSize(kCanvasWidth, kCaptionHeight)),
                             Qt::AlignLeft | Qt::AlignVCenter, item.caption);
            if (!item.shot.isNull())
                painter.drawPixmap(item.pos + QPoint(0, kCaptionHeight), item.shot);
        }
        return image;
    }

private:
    struct Item
    {
        QPoint pos;
        QString caption;
        QPixmap shot;
        bool isTitle;
    };

    void newLine()
    {
        m_y += m_rowHeight + (m_rowHeight ? kMargin : 0);
        m_x = kMargin;
        m_rowHeight = 0;
    }

    QList<Item> m_items;
    int m_x = kMargin;
    int m_y = kMargin;
    int m_rowHeight = 0;
};

// Shows the widget (so that layouts and style sheets apply as on screen) and renders it
// without the window background, so that it sits on the sheet as it would on a toolbar.
QPixmap shot(QWidget *widget)
{
    widget->show();
    QCoreApplication::processEvents();
    QPixmap pixmap(widget->size());
    pixmap.fill(Qt::transparent);
    widget->render(&pixmap, QPoint(), QRegion(), QWidget::DrawChildren);
    widget->hide();
    return pixmap;
}

QAbstractButton *swatch(KvPenPopup &popup, const char *page, int index)
{
    auto *palette = popup.findChild<KvColorSelectWidget *>(QLatin1String(page));
    return palette->findChild<QButtonGroup *>()->button(index);
}

void addPenPopups(Sheet &sheet)
{
    sheet.section(QStringLiteral("KvPenPopup"));
    {
        KvPenPopup popup;
        sheet.add(QStringLiteral("pen page, new"), shot(&popup));
    }
    {
        KvPenPopup popup;
        popup.setPenColor(QColor(0xFF4A90E2));
        popup.setPenWidth(14);
        sheet.add(QStringLiteral("pen page, blue, width 14"), shot(&popup));
    }
    {
        KvPenPopup popup;
        popup.setPenPageVisible(false);
        popup.setHightWidth(25);
        sheet.add(QStringLiteral("highlighter page, width 25"), shot(&popup));
    }
    {
        KvPenPopup popup;
        swatch(popup, "penPage", 11)->click();
        sheet.add(QStringLiteral("custom colour area open"), shot(&popup));
    }
}

void addErasePopups(Sheet &sheet)
{
    sheet.section(QStringLiteral("KvErasePopup"));
    for (int width : {30, 70, 90, 120}) {
        KvErasePopup popup;
        popup.setEraseWidth(width);
        sheet.add(QStringLiteral("width %1").arg(width), shot(&popup));
    }
}

void addPenButtons(Sheet &sheet)
{
    sheet.section(QStringLiteral("KvPenButton (44 and 96 pixels)"));
    const std::pair<KvPenButton::PenType, const char *> types[] = {
        {KvPenButton::Pen, "Pen"}, {KvPenButton::Marker, "Marker"}, {KvPenButton::Width, "Width"}};
    for (const auto &[type, name] : types) {
        for (bool checked : {false, true}) {
            for (int side : {44, 96}) {
                KvPenButton button;
                button.setType(type);
                button.setPenColor(type == KvPenButton::Marker ? QColor(0xFFF8E71C) : Qt::red);
                button.setPenWidth(12);
                button.setChecked(checked);
                button.setFixedSize(side, side);
                sheet.add(QStringLiteral("%1 %2").arg(name, checked ? "checked" : "unchecked"),
                          shot(&button));
            }
        }
    }
    for (int width : {1, 6, 21}) {
        KvPenButton button;
        button.setType(KvPenButton::Width);
        button.setPenColor(Qt::white);
        button.setPenWidth(width);
        button.setFixedSize(44, 44);
        sheet.add(QStringLiteral("Width %1").arg(width), shot(&button));
    }
}

void addPalettes(Sheet &sheet)
{
    sheet.section(QStringLiteral("KvColorSelectWidget / KvColorButton"));
    QList<QColor> colors;
    for (QRgb rgb : {0xFFFFFFFF, 0xFF9B9B9B, 0xFF4A4A4A, 0xFF4A90E2, 0xFFF8E71C, 0xFFF5A623,
                     0xFFD0021B, 0xFFBD10E0, 0xFF7ED321, 0xFF417505, 0xFF50E3C2})
        colors << QColor::fromRgba(rgb);
    {
        KvColorSelectWidget palette;
        palette.setColorList(colors);
        palette.changeColor(colors.at(6));
        palette.setStyleSheet(QStringLiteral("KvColorSelectWidget{background:#2E3249;}"));
        palette.setAttribute(Qt::WA_StyledBackground);
        palette.resize(palette.sizeHint());
        sheet.add(QStringLiteral("red checked"), shot(&palette));
    }
    {
        KvColorSelectWidget palette;
        palette.setColorList(colors);
        palette.findChild<QButtonGroup *>()->button(11)->click();
        palette.resize(palette.sizeHint());
        sheet.add(QStringLiteral("custom checked"), shot(&palette));
    }
}

// Tool buttons paint icon files named <prefix><state>.svg: make a small family of them from
// the pen popup's icons.
QString makeToolIcons(const QTemporaryDir &dir)
{
    const QString prefix = dir.filePath(QStringLiteral("tool"));
    QFile::copy(QStringLiteral(":/pen/res/imgs/icon_pen1_nor.svg"), prefix + ".svg");
    QFile::copy(QStringLiteral(":/pen/res/imgs/icon_pen1_checked.svg"), prefix + "_select.svg");
    QFile::copy(QStringLiteral(":/pen/res/imgs/icon_pen1_checked.svg"), prefix + "_pressed.svg");
    QFile::copy(QStringLiteral(":/pen/res/imgs/icon_pen1_nor.svg"), prefix + "_dis.svg");
    return prefix;
}

void addToolButtons(Sheet &sheet, const QString &iconPrefix)
{
    sheet.section(QStringLiteral("KvToolAction / KvToolPenButton"));
    auto configure = [&](KvToolAction &button) {
        button.setStylePre(iconPrefix);
        button.setIsSvg(true);
        button.setCheckable(true);
        button.setFixedSize(60, 60);
    };
    {
        KvToolAction button;
        configure(button);
        sheet.add(QStringLiteral("action"), shot(&button));
        button.setChecked(true);
        sheet.add(QStringLiteral("action checked"), shot(&button));
        button.setChecked(false);
        button.setEnabled(false);
        sheet.add(QStringLiteral("action disabled"), shot(&button));
    }
    {
        KvToolAction button;
        configure(button);
        button.setProperty("type", 7);
        button.setEditing(true);
        sheet.add(QStringLiteral("editing, type 7"), shot(&button));
        button.setInToolbar(true);
        sheet.add(QStringLiteral("editing, in toolbar"), shot(&button));
    }
    {
        KvToolPenButton button;
        configure(button);
        button.setPenColor(Qt::red);
        sheet.add(QStringLiteral("pen button"), shot(&button));
        button.setChecked(true);
        sheet.add(QStringLiteral("pen button checked"), shot(&button));
    }
}

// The offscreen platform complains about every window feature it lacks; that is not news here.
void quietPlatformMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (message.startsWith(QLatin1String("This plugin does not support")))
        return;
    QTextStream(stderr) << (type == QtDebugMsg ? "" : "warning: ") << message << '\n';
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(quietPlatformMessages);
    QApplication app(argc, argv);
    const QString output
        = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("kvpen-gallery.png");

    QTemporaryDir iconDir;
    Sheet sheet;
    addPenPopups(sheet);
    addErasePopups(sheet);
    addPenButtons(sheet);
    addPalettes(sheet);
    addToolButtons(sheet, makeToolIcons(iconDir));

    if (!sheet.render().save(output)) {
        QTextStream(stderr) << "could not write " << output << '\n';
        return 1;
    }
    QTextStream(stdout) << QDir(output).absolutePath() << '\n';
    return 0;
}
