// A saved board in the XML form: the document's root element holds the strokes groups.
#include "KvFuzzBoard.h"

#include <QDomDocument>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    QDomDocument document;
    if (!document.setContent(QByteArray(reinterpret_cast<const char *>(data), int(size))))
        return 0;
    QDomElement root = document.documentElement();
    KvFuzzBoard board;
    board.core().importSceneXml(&document, &root, QStringLiteral("fuzz"));
    board.render();
    board.roundTrip(fuzzSaveForm(data, size));
    return 0;
}
