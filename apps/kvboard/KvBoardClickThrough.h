#pragma once

#include <QObject>
#include <QPointer>

class KvPenPopupWidget;
class QMouseEvent;

// Makes a click outside an open popup close the popup and still do what it would have done:
// the press that closed the popup goes on to the widget under the pointer (a board starts a
// stroke), and the moves and the release that the system still sends to the closed popup follow
// it there. Qt's own replay of the press is off for the popup, so that the press arrives once,
// whatever the platform. The popup itself behaves as before.
class KvBoardClickThrough : public QObject
{
    Q_OBJECT
public:
    explicit KvBoardClickThrough(KvPenPopupWidget *popup);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pressThrough();
    void forward(QMouseEvent *event);

    KvPenPopupWidget *m_popup;
    QPointer<QWidget> m_target;
};
