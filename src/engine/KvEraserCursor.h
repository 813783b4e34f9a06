#pragma once

#include <QWidget>

// The round cursor that follows the eraser over a board view: a disc widget on the view's
// viewport, shared by every engine drawing into that viewport and passing pointer input through.
class KvEraserCursor : public QWidget
{
    Q_OBJECT
public:
    // The viewport's cursor, made on first use.
    static KvEraserCursor *of(QWidget *viewport);

    // Sizes the disc to `size` pixels and shows it centred on `centre` (viewport coordinates),
    // or hides it.
    void setDisc(int size, const QPoint &centre, bool visible);

private:
    explicit KvEraserCursor(QWidget *viewport);
};
