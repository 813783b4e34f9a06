#pragma once

#include <QStringList>

// Records what kvpen logs (its kvpen.* categories) while it lives, instead of printing it, so
// that a test checks which function reported through which category, not the wording. Other
// messages go on to the handler installed before it.
class KvLogRecorder
{
public:
    KvLogRecorder();
    ~KvLogRecorder();

    // "category function" for each recorded line, in order, of one category or of all; the
    // function is the line's first word. Lines of kvpen.trace are left out.
    QStringList lines(const QString &category = QString()) const;
    void clear();
};
