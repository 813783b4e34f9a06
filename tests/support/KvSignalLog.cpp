#include "KvSignalLog.h"

#include <QMetaMethod>

KvSignalLog::KvSignalLog(QObject *sender)
{
    const QMetaObject *meta = sender->metaObject();
    const QMetaMethod slot = staticMetaObject.method(staticMetaObject.indexOfSlot("record()"));
    for (int i = QObject::staticMetaObject.methodCount(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() == QMetaMethod::Signal
            && !(method.attributes() & QMetaMethod::Cloned))
            connect(sender, method, this, slot);
    }
}

void KvSignalLog::record()
{
    const QObject *source = sender();
    names.append(QString::fromLatin1(source->metaObject()->method(senderSignalIndex()).name()));
}
