#include "KvEraserCursor.h"

#include <QHBoxLayout>
#include <QVariant>

namespace {
const char kViewportProperty[] = "EraserCursorWidget";
}

KvEraserCursor *KvEraserCursor::of(QWidget *viewport)
{
    if (auto *shared
        = qobject_cast<KvEraserCursor *>(viewport->property(kViewportProperty).value<QWidget *>()))
        return shared;
    auto *cursor = new KvEraserCursor(viewport);
    viewport->setProperty(kViewportProperty, QVariant::fromValue<QWidget *>(cursor));
    return cursor;
}

KvEraserCursor::KvEraserCursor(QWidget *viewport)
    : QWidget(viewport, Qt::FramelessWindowHint | Qt::WindowTransparentForInput)
{
    setObjectName(QStringLiteral("m_wdEraserCursor"));
    setAttribute(Qt::WA_TranslucentBackground);
    // A child widget ignores WindowTransparentForInput; this lets the pointer through as well.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    // No size yet, so the first use always sizes and styles it.
    setFixedSize(0, 0);
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto *disc = new QWidget(this);
    disc->setObjectName(QStringLiteral("wd"));
    layout->addWidget(disc);
}

void KvEraserCursor::setDisc(int size, const QPoint &centre, bool visible)
{
    const int radius = int(float(size) * 0.5);
    if (width() != size) {
        setFixedSize(size, size);
        setStyleSheet(
            QStringLiteral("QWidget#wd{background:#00B2B0;border-radius:%1px;border:none;}")
                .arg(radius));
    }
    if (visible)
        move(centre - QPoint(radius, radius));
    setVisible(visible);
}
