#include "app/resources.h"

#include <QtGlobal>

void InitTevarinResources() { Q_INIT_RESOURCE(tevarin); }
