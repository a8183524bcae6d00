#include "base/texts.h"
