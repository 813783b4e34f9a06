#pragma once

#include <QLoggingCategory>

// kvpen's log categories; hosts switch them with QT_LOGGING_RULES. Every line starts with the
// qualified name of the function that writes it.
Q_DECLARE_LOGGING_CATEGORY(lcKvPenEngine) // "kvpen.engine": drawing, erasing, geometry
Q_DECLARE_LOGGING_CATEGORY(lcKvPenRemote) // "kvpen.remote": refused or clamped remote messages
Q_DECLARE_LOGGING_CATEGORY(lcKvPenIo) // "kvpen.io": refused parts of loaded ink
Q_DECLARE_LOGGING_CATEGORY(lcKvPenWidgets) // "kvpen.widgets"
Q_DECLARE_LOGGING_CATEGORY(lcKvPenTrace) // "kvpen.trace": the replay scale and each erase end
