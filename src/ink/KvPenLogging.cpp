#include "KvPenLogging.h"

Q_LOGGING_CATEGORY(lcKvPenEngine, "kvpen.engine")
Q_LOGGING_CATEGORY(lcKvPenRemote, "kvpen.remote")
Q_LOGGING_CATEGORY(lcKvPenIo, "kvpen.io")
Q_LOGGING_CATEGORY(lcKvPenWidgets, "kvpen.widgets")
Q_LOGGING_CATEGORY(lcKvPenTrace, "kvpen.trace")
