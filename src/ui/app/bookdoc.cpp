#include "ui/app/bookdoc.h"
