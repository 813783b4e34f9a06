#pragma once

#include <QImage>

#include <functional>

class QWidget;

// The widget's own painting (children included) on a transparent image, without the window
// background that QWidget::grab adds, so that pixels show exactly what paintEvent drew.
QImage paintedImage(QWidget *widget);

// Shows a popup window (Qt::Popup) on the offscreen platform, which answers every popup
// opening with two warnings ("does not support raise()", "... grabbing the keyboard"); both
// are announced as expected. `show` defaults to QWidget::show; pass the popup's own opening
// operation otherwise. Returns whether the popup got exposed.
bool showOffscreenPopup(QWidget *popup, const std::function<void()> &show = {});
