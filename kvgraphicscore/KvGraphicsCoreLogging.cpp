#include "KvGraphicsCoreLogging.h"

Q_LOGGING_CATEGORY(lcKvGraphicsCore, "kvpen.graphicscore")
