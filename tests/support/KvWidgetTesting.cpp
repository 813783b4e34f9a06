#include "KvWidgetTesting.h"

#include <QTest>
#include <QWidget>

QImage paintedImage(QWidget *widget)
{
    QImage image(widget->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

bool showOffscreenPopup(QWidget *popup, const std::function<void()> &show)
{
    QTest::ignoreMessage(QtWarningMsg, "This plugin does not support raise()");
    QTest::ignoreMessage(QtWarningMsg, "This plugin does not support grabbing the keyboard");
    if (show)
        show();
    else
        popup->show();
    return QTest::qWaitForWindowExposed(popup);
}
