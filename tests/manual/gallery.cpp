// Renders every widget of the pen tool UI in its main states, one PNG each, to look at by eye:
//   kvpen_gallery [folder]      (default kvpen-gallery/; offscreen unless QT_QPA_PLATFORM
//   says otherwise)
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
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTextStream>

namespace {

// Writes each shot as <folder>/<row>-<caption>.png.
class Sheet
{
public:
    explicit Sheet(const QDir &folder)
        : m_folder(folder)
    { }
    void row(const QString &title) { m_row = title; }
    void add(const QString &caption, const QPixmap &shot)
    {
        QString name = m_row + QLatin1Char('-') + caption;
        name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9]+")), QStringLiteral("-"));
        if (!shot.save(m_folder.filePath(name + QStringLiteral(".png"))))
            m_failed = true;
    }
    bool failed() const { return m_failed; }

private:
    QDir m_folder;
    QString m_row;
    bool m_failed = false;
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
    sheet.row(QStringLiteral("KvPenPopup"));
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
    sheet.row(QStringLiteral("KvErasePopup"));
    for (int width : {30, 70, 90, 120}) {
        KvErasePopup popup;
        popup.setEraseWidth(width);
        sheet.add(QStringLiteral("width %1").arg(width), shot(&popup));
    }
}

void addPenButtons(Sheet &sheet)
{
    sheet.row(QStringLiteral("KvPenButton"));
    const std::pair<KvPenButton::PenType, const char *> types[] = {
        {KvPenButton::Pen, "Pen"}, {KvPenButton::Marker, "Marker"}, {KvPenButton::Width, "Width"}};
    for (const auto &[type, name] : types) {
        for (bool checked : {false, true}) {
            KvPenButton button;
            button.setType(type);
            button.setPenColor(type == KvPenButton::Marker ? QColor(0xFFF8E71C) : Qt::red);
            button.setPenWidth(12);
            button.setChecked(checked);
            button.setFixedSize(44, 44);
            sheet.add(QStringLiteral("%1 %2").arg(name, checked ? "checked" : "unchecked"),
                      shot(&button));
        }
    }
}

void addPalettes(Sheet &sheet)
{
    sheet.row(QStringLiteral("KvColorSelectWidget / KvColorButton"));
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
    sheet.row(QStringLiteral("KvToolAction / KvToolPenButton"));
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
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("kvpen-gallery"));
    folder.mkpath(QStringLiteral("."));

    QTemporaryDir iconDir;
    Sheet sheet(folder);
    addPenPopups(sheet);
    addErasePopups(sheet);
    addPenButtons(sheet);
    addPalettes(sheet);
    addToolButtons(sheet, makeToolIcons(iconDir));
    if (sheet.failed()) {
        QTextStream(stderr) << "could not write to " << folder.absolutePath() << '\n';
        return 1;
    }
    QTextStream(stdout) << folder.absolutePath() << '\n';
    return 0;
}
