#include "index/charslot.h"

#include "text/indexedchars.h"

namespace tevarin {

int CharToSlot(uint32_t cp) { return IndexedCharacterSlot(cp); }

}  // namespace tevarin
