#include <KvGraphicsScene.h>
#include <KvGraphicsStrokesGroup.h>
#include <KvPenCore.h>
#include <KvPenTypes.h>

#include <QApplication>

// Draws one highlighter stroke through the public API; exits 0 when exactly one group landed
// on the board.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    KvGraphicsScene scene;
    KvPenCore core;
    core.currentSceneChanged(&scene);
    core.setStylus(KvPen::MarkerStylus);
    core.inputDevicePress(QPointF(0, 0), 1.0);
    for (int x = 5; x <= 60; x += 5)
        core.inputDeviceMove(QPointF(x, x / 2), 1.0);
    core.inputDeviceRelease();

    int groups = 0;
    for (QGraphicsItem *item : scene.getFastAccessItems())
        groups += item->type() == KvPen::kStrokesGroupType
            && item->data(KvPen::KindKey) == KvPen::kGroupKind;
    return groups == 1 ? 0 : 1;
}
