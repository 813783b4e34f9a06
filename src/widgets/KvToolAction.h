#pragma once

#include "kvpen_export.h"

#include <QScopedPointer>
#include <QToolButton>

class KvToolActionPrivate;

// Toolbar button that paints itself from a family of icon files chosen by state
// (prefix `stylePre`, infix "_pressed", "_select", "_dis", ..., suffix ".svg" or ".png"), and that
// carries the state of the host's toolbar editor (add/remove badge, selection for moving).
// The host may set the dynamic property "type"; buttons of type above 6 show the editor's badge.
class KVPEN_EXPORT KvToolAction : public QToolButton
{
    Q_OBJECT
    Q_PROPERTY(QString stylePre READ stylePre WRITE setStylePre NOTIFY stylePreChanged)
    Q_PROPERTY(bool isSvg READ isSvg WRITE setIsSvg NOTIFY isSvgChanged)
public:
    explicit KvToolAction(QWidget *parent = nullptr);
    ~KvToolAction() override;

    QString stylePre() const;
    void setStylePre(const QString &prefix);
    bool isSvg() const;
    void setIsSvg(bool svg);

    // Looks and toolbar-editor state, driven by the host.
    void setPlainStyle(bool plain);
    void setDragEnabled(bool enabled);
    void setOverlayText(const QString &text);
    void setCornerSizes(qreal topLeft, qreal topRight, qreal bottomLeft, qreal bottomRight);
    void setBorder(int width, const QColor &color);
    void setBackgroundColor(const QColor &color);
    void setCheckedColor(const QColor &color);
    void setEditing(bool editing);
    void setInToolbar(bool inToolbar);
    void setAddDisabled(bool disabled);
    void setKeepLookInEditing(bool keep);
    bool isSelected() const;
    void setSelected(bool selected);

signals:
    void stylePreChanged();
    void isSvgChanged();
    void endDrag(int ret, QObject *target);
    void checkedPressed();
    void uncheckedPressed();
    void startDrag();
    void removeFormToolbar();
    void addBoardToolbar();
    void selectedMoveButton(bool isSelect);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void enterEvent(QEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QScopedPointer<KvToolActionPrivate> d;
};
