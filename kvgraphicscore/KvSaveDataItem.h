#pragma once

#include <QString>
#include <QVariantMap>

// One saved board item: what kind it is and the map it exported.
struct KvSaveDataItem
{
    QString uuid;
    int type = 0;
    QString name;
    QVariantMap data;
};
