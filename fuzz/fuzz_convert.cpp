// Every text reader of KvQtConvert on the same text; what a reader accepts must survive its
// writer and the reader again unchanged.
#include "KvQtConvert.h"

#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

template<typename T, typename Read, typename Write>
void checkRoundTrip(const char *form, const QString &text, Read read, Write write)
{
    const T value = read(text);
    const QString written = write(value);
    if (!(read(written) == value)) {
        std::fprintf(stderr, "%s does not round-trip: \"%s\" was written as \"%s\"\n", form,
                     qPrintable(text.left(200)), qPrintable(written.left(200)));
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    checkRoundTrip<QColor>("colour", text, KvQtConvert::stringToColor, KvQtConvert::colorToString);
    checkRoundTrip<QPointF>("point", text, KvQtConvert::stringToPointF,
                            KvQtConvert::pointFToString);
    checkRoundTrip<QPolygonF>("polygon", text, KvQtConvert::stringToPolygonF,
                              KvQtConvert::polygonFToString);
    checkRoundTrip<QTransform>("transform", text, KvQtConvert::stringToTransform,
                               KvQtConvert::transformToString);
    checkRoundTrip<QBrush>("brush", text, KvQtConvert::stringToBrush, KvQtConvert::brushToString);
    checkRoundTrip<QPen>("pen", text, KvQtConvert::stringToPen, KvQtConvert::penToString);
    return 0;
}
