#include "KvPopupTesting.h"

#include <QTest>
#include <QWidget>

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
