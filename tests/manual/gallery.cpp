// Renders the tool popups and buttons in their main states, one PNG each, to look at by eye:
//   kvpen_gallery [folder]      (default kvpen-gallery/; offscreen unless QT_QPA_PLATFORM
//   says otherwise)
#include "KvColorSelectWidget.h"
#include "KvErasePopup.h"
#include "KvPenButton.h"
#include "KvPenPopup.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QDir>
#include <QTextStream>

namespace {

// Shows the widget (so that layouts and style sheets apply as on screen) and writes it without
// the window background, as it would sit on a toolbar.
bool save(QWidget &widget, const QDir &folder, const QString &name)
{
    widget.show();
    QCoreApplication::processEvents();
    QPixmap pixmap(widget.size());
    pixmap.fill(Qt::transparent);
    widget.render(&pixmap, QPoint(), QRegion(), QWidget::DrawChildren);
    widget.hide();
    return pixmap.save(folder.filePath(name + QStringLiteral(".png")));
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform complains about every window feature it lacks.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QApplication app(argc, argv);
    const QDir folder(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("kvpen-gallery"));
    folder.mkpath(QStringLiteral("."));
    bool saved = true;

    KvPenPopup pen;
    saved &= save(pen, folder, QStringLiteral("pen-popup"));
    pen.findChild<KvColorSelectWidget *>(QStringLiteral("penPage"))
        ->findChild<QButtonGroup *>()
        ->button(11)
        ->click();
    saved &= save(pen, folder, QStringLiteral("pen-popup-custom-colour"));
    pen.setPenPageVisible(false);
    saved &= save(pen, folder, QStringLiteral("highlighter-popup"));

    KvErasePopup eraser;
    for (int width : {30, 120}) {
        eraser.setEraseWidth(width);
        saved &= save(eraser, folder, QStringLiteral("erase-popup-%1").arg(width));
    }

    KvPenButton button;
    button.setFixedSize(44, 44);
    button.setCheckable(true);
    button.setPenColor(Qt::red);
    button.setPenWidth(12);
    for (auto type : {KvPenButton::Pen, KvPenButton::Marker, KvPenButton::Width}) {
        button.setType(type);
        for (bool checked : {false, true}) {
            button.setChecked(checked);
            saved
                &= save(button, folder, QStringLiteral("pen-button-%1-%2").arg(type).arg(checked));
        }
    }

    QTextStream(saved ? stdout : stderr)
        << (saved ? "" : "could not write to ") << folder.absolutePath() << '\n';
    return saved ? 0 : 1;
}
