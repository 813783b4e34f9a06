#pragma once

#include <QByteArray>
#include <QDataStream>
#include <QString>

// A walk over the records part of a save-records file before Qt decodes it. Qt's stream decoder
// trusts the counts it reads (it reserves them, and recurses as deep as lists nest) and decodes
// images and gradients of any size; this walk lets through only the value types a board's
// records hold, every count backed by the bytes that follow, nesting and the number of values
// bounded.
class KvBoardRecordScreen
{
public:
    // The records in `bytes` from offset `first` on; `records` is the count the header claims.
    static bool check(const QByteArray &bytes, qint64 first, int records, QString *error);

private:
    explicit KvBoardRecordScreen(const QByteArray &bytes);

    bool record();
    bool ok() const;
    qint64 left() const;
    bool skip(qint64 bytes);
    bool count(quint32 *n, qint64 leastBytesEach);
    bool string();
    bool map(int depth);
    bool list(int depth);
    bool color();
    bool brush();
    bool pen();
    bool variant(int depth);

    QDataStream m_stream;
    qint64 m_size;
    qint64 m_values = 0;
    QString m_problem;
};
