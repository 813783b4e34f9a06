#pragma once

#include <QLoggingCategory>

// "kvpen.graphicscore": what the board library refuses of loaded data.
Q_DECLARE_LOGGING_CATEGORY(lcKvGraphicsCore)
