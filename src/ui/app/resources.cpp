#include "ui/app/resources.h"

#include <QtGlobal>

// The resource registration is declared by Q_INIT_RESOURCE at global scope,
// so it is called from a global function.
static void InitResourcesGlobal() { Q_INIT_RESOURCE(tevarin); }

namespace tevarin {

void InitTevarinResources() { InitResourcesGlobal(); }

}  // namespace tevarin
