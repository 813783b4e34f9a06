#include "KvSignalLog.h"

#include <QColor>
#include <QVariant>

namespace {
QString argumentText(int type, const void *argument)
{
    if (type == QMetaType::QColor) {
        const QColor color = *static_cast<const QColor *>(argument);
        return color.isValid() ? color.name(QColor::HexArgb) : QStringLiteral("invalid");
    }
    return QVariant(type, argument).toString();
}
} // namespace

KvSignalLog::KvSignalLog(QObject *sender)
{
    const QMetaObject *meta = sender->metaObject();
    const int firstSlot = QObject::staticMetaObject.methodCount();
    for (int i = firstSlot; i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() != QMetaMethod::Signal
            || (method.attributes() & QMetaMethod::Cloned))
            continue;
        QMetaObject::connect(sender, i, this, firstSlot + recorded.size(), Qt::DirectConnection);
        recorded.append(method);
    }
}

int KvSignalLog::qt_metacall(QMetaObject::Call call, int id, void **arguments)
{
    id = QObject::qt_metacall(call, id, arguments);
    if (id < 0 || call != QMetaObject::InvokeMetaMethod)
        return id;
    if (id < recorded.size()) {
        const QMetaMethod &method = recorded.at(id);
        QStringList entry {QString::fromLatin1(method.name())};
        for (int i = 0; i < method.parameterCount(); ++i)
            entry << argumentText(method.parameterType(i), arguments[i + 1]);
        names << entry.first();
        calls << entry.join(QLatin1Char(' '));
    }
    return id - recorded.size();
}
