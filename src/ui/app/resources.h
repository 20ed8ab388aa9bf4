// The program's pictures and pages (res/tevarin.qrc) live in a static
// library; this registers them. Called at start-up and by the tests.
#pragma once

namespace tevarin {

void InitTevarinResources();

}  // namespace tevarin
